#pragma once
// One entity of a DXF file as points, with a face flag and a segment field.
#include "UnderlayPointArray.h"

namespace figurant {

class CUnderlayPolyLine : public CUnderlayPointArray {
  public:
    // Read from a 3DFACE (drawn filled); otherwise drawn as an open line strip.
    bool m_bFace = false;
    // After reading: the DXF colour number (group 62), 0 without one. The document replaces it
    // with the 0-based body-segment number while loading.
    std::int32_t m_nSegment = 0;
};

} // namespace figurant
