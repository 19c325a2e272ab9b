#pragma once

namespace figurant {

// Three 32-bit floats: the vertex type of polylines, face normals and camera vectors.
struct Vec3f {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

inline Vec3f operator+(const Vec3f& a, const Vec3f& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3f operator-(const Vec3f& a, const Vec3f& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3f operator-(const Vec3f& a) {
    return {-a.x, -a.y, -a.z};
}

} // namespace figurant
