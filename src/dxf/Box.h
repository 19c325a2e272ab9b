#pragma once
// An axis-aligned box (the bounds of a model), its centre and its extents, in floats.
#include "Vec3f.h"

#include <cmath>

namespace figurant {

struct Box {
    Vec3f min, max;

    // The midpoint of each axis, computed in floats (halved first where the sum would overflow).
    Vec3f Centre() const { return {Middle(min.x, max.x), Middle(min.y, max.y), Middle(min.z, max.z)}; }
    static float Middle(float a, float b) {
        const float sum = a + b;
        return std::isfinite(sum) ? sum / 2 : a / 2 + b / 2;
    }
    Vec3f Extent() const { return {max.x - min.x, max.y - min.y, max.z - min.z}; }
    // Both corners multiplied by s.
    Box Scaled(float s) const {
        return {{min.x * s, min.y * s, min.z * s}, {max.x * s, max.y * s, max.z * s}};
    }
};

} // namespace figurant
