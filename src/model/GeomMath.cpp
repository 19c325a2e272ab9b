#include "GeomMath.h"

#include <cmath>

namespace figurant {

void MakeRotation(float angle, float x, float y, float z, Matrix4& M) {
    const float h = std::sqrt(x * x + y * y + z * z);
    if (h < 1e-10) return;
    x /= h;
    y /= h;
    z /= h;
    const double theta = angle * 0.0174532925;
    const double c = std::cos(theta), s = std::sin(theta), t = 1 - c;
    const float v[16] = {static_cast<float>(x * x + (1 - x * x) * c),
                         static_cast<float>(x * y * t - z * s),
                         static_cast<float>(x * z * t + y * s),
                         0,
                         static_cast<float>(x * y * t + z * s),
                         static_cast<float>(y * y + (1 - y * y) * c),
                         static_cast<float>(y * z * t - x * s),
                         0,
                         static_cast<float>(x * z * t - y * s),
                         static_cast<float>(y * z * t + x * s),
                         static_cast<float>(z * z + (1 - z * z) * c),
                         0,
                         0,
                         0,
                         0,
                         1};
    for (int i = 0; i < 16; ++i)
        M[i] = v[i];
}

void TransformPoint(const Matrix4& A, Vec4f& v) {
    Vec4f r{};
    for (int i = 0; i < 4; ++i) {
        float sum = 0.0f;
        for (int j = 0; j < 4; ++j)
            sum += A[4 * j + i] * v[static_cast<std::size_t>(j)];
        r[static_cast<std::size_t>(i)] = sum;
    }
    v = r;
}

void MultMatrix(const Matrix4& A, const Matrix4& B, Matrix4& target) {
    Matrix4 result;
    for (int i = 0; i < 4; ++i) {
        Vec4f column{B[4 * i], B[4 * i + 1], B[4 * i + 2], B[4 * i + 3]};
        TransformPoint(A, column);
        for (int r = 0; r < 4; ++r)
            result[4 * i + r] = column[static_cast<std::size_t>(r)];
    }
    target = result;
}

Point3d TransformPoint3(const Matrix4& A, const Point3d& p) {
    Vec4f v{static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z), 1.0f};
    TransformPoint(A, v);
    return {static_cast<double>(v[0] / v[3]), static_cast<double>(v[1] / v[3]),
            static_cast<double>(v[2] / v[3])};
}

Point3d Normalize(double x, double y, double z) {
    const double L = std::sqrt(x * x + y * y + z * z);
    if (std::fabs(L) > 1e-6) return {x / L, y / L, z / L};
    return {x, y, z};
}

Vec3f CrossF(const Vec3f& u, const Vec3f& v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

float DotF(const Vec3f& u, const Vec3f& v) {
    return u.x * v.x + u.y * v.y + u.z * v.z;
}

Vec3f NormalizeF(Vec3f& v) {
    const float L = LengthF(v);
    if (std::fabs(L) > 1e-6f) {
        v.x /= L;
        v.y /= L;
        v.z /= L;
    }
    return v;
}

float LengthF(const Vec3f& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

} // namespace figurant
