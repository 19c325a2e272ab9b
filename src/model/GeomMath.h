#pragma once
// Matrix and vector arithmetic shared by the figure, the camera commands and playback.
// Matrix4 is column-major as OpenGL loads it: row r, column c at index 4c + r, translation at
// 12, 13 and 14. Angles are in degrees.
#include "Vec3f.h"

#include <array>

namespace figurant {

constexpr double kPi = 3.14159265358979323846;

struct Matrix4 {
    std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float& operator[](int i) { return m[static_cast<std::size_t>(i)]; }
    float operator[](int i) const { return m[static_cast<std::size_t>(i)]; }
    const float* data() const { return m.data(); }
    float* data() { return m.data(); }
    static Matrix4 Identity() { return {}; }
    static Matrix4 Translation(float x, float y, float z) {
        Matrix4 t;
        t[12] = x;
        t[13] = y;
        t[14] = z;
        return t;
    }
    bool operator==(const Matrix4& o) const { return m == o.m; }
};

struct Point3d {
    double x = 0, y = 0, z = 0;
    bool operator==(const Point3d& o) const { return x == o.x && y == o.y && z == o.z; }
};

inline Point3d operator+(const Point3d& a, const Point3d& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Point3d operator-(const Point3d& a, const Point3d& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Point3d operator*(double s, const Point3d& a) {
    return {s * a.x, s * a.y, s * a.z};
}

// Homogeneous vector for TransformPoint.
using Vec4f = std::array<float, 4>;

// Fills M with a rotation by `angle` degrees about (x, y, z), which turns points by -angle in the
// right-hand sense (the transpose of glRotatef). Leaves M untouched for an axis shorter than 1e-10.
void MakeRotation(float angle, float x, float y, float z, Matrix4& M);
// target = A x B; either operand may be the target.
void MultMatrix(const Matrix4& A, const Matrix4& B, Matrix4& target);
inline void MultMatrix(Matrix4& A, const Matrix4& B) {
    MultMatrix(A, B, A);
}
// v = A x v.
void TransformPoint(const Matrix4& A, Vec4f& v);
// A point transformed by A, divided by w.
Point3d TransformPoint3(const Matrix4& A, const Point3d& p);

// Inline: the twist calls them for every point of a segment.
inline Point3d Cross(const Point3d& u, const Point3d& v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}
inline double Dot(const Point3d& u, const Point3d& v) {
    return u.x * v.x + u.y * v.y + u.z * v.z;
}
// The unit vector, or the input unchanged when its length is 1e-6 or less.
Point3d Normalize(double x, double y, double z);
inline Point3d Normalize(const Point3d& p) {
    return Normalize(p.x, p.y, p.z);
}
Vec3f CrossF(const Vec3f& u, const Vec3f& v);
float DotF(const Vec3f& u, const Vec3f& v);
// Divides v by its length in place when that exceeds 1e-6; returns a copy of v.
Vec3f NormalizeF(Vec3f& v);
float LengthF(const Vec3f& v);

} // namespace figurant
