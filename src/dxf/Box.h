#pragma once
// An axis-aligned box (the bounds of a model), its centre and its extents, in floats.
#include "Vec3f.h"

namespace figurant {

struct Box {
    Vec3f min, max;

    // The midpoint of each axis, computed in floats.
    Vec3f Centre() const { return {(min.x + max.x) / 2, (min.y + max.y) / 2, (min.z + max.z) / 2}; }
    Vec3f Extent() const { return {max.x - min.x, max.y - min.y, max.z - min.z}; }
    // Both corners multiplied by s.
    Box Scaled(float s) const {
        return {{min.x * s, min.y * s, min.z * s}, {max.x * s, max.y * s, max.z * s}};
    }
};

} // namespace figurant
