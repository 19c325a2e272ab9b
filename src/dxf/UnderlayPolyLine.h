#pragma once
// One entity of a DXF file as points, with a face flag and a segment field.
#include "UnderlayPointArray.h"

namespace figurant {

class CUnderlayPolyLine : public CUnderlayPointArray {
  public:
    // Read from a 3DFACE (drawn filled); otherwise drawn as an open line strip.
    bool m_bFace = false;
    // After reading: the DXF colour number (group 62, a 16-bit integer; a file's larger numbers
    // are held at the nearest end), 0 without one. The document replaces it with the 0-based
    // body-segment number while loading.
    std::int16_t m_nSegment = 0;
};

// A model holds a million of these: the flag and the segment share the four bytes after the size.
static_assert(sizeof(CUnderlayPolyLine) == 56,
              "a polyline is its points, its size, its flag and its segment");

} // namespace figurant
