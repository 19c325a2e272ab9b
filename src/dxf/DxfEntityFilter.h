#pragma once
#include <cstdint>

namespace figurant {

// Which entity kinds the DXF reader turns into polylines.
struct DxfEntityFilter {
    bool arc = true, circle = true, line = true, point = true, polyline = true, solid = true, trace = true,
         face3d = true;
};

} // namespace figurant
