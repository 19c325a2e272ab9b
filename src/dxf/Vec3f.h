#pragma once

namespace figurant {

// Three 32-bit floats: the vertex type of polylines, face normals and camera vectors.
struct Vec3f {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

} // namespace figurant
