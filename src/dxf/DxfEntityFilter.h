#pragma once
#include <cstdint>

namespace figurant {

// Which entity kinds the DXF reader turns into polylines; nonzero enables a kind.
struct DxfEntityFilter {
    std::int32_t arc = 1, circle = 1, line = 1, point = 1, polyline = 1, solid = 1, trace = 1, face3d = 1;
};

} // namespace figurant
