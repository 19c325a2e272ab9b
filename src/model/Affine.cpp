#include "Affine.h"

#include <cmath>

namespace figurant {

Affine Affine::FromMatrix(const Matrix4& m) {
    Affine a;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            a.r[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = m[4 * col + row];
    a.t = {m[12], m[13], m[14]};
    return a;
}

Affine Affine::Translation(const Point3d& p) {
    Affine a;
    a.t = p;
    return a;
}

Point3d Affine::operator()(const Point3d& p) const {
    return {r[0][0] * p.x + r[0][1] * p.y + r[0][2] * p.z + t.x,
            r[1][0] * p.x + r[1][1] * p.y + r[1][2] * p.z + t.y,
            r[2][0] * p.x + r[2][1] * p.y + r[2][2] * p.z + t.z};
}

Affine Affine::operator*(const Affine& o) const {
    Affine a;
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            a.r[i][j] = r[i][0] * o.r[0][j] + r[i][1] * o.r[1][j] + r[i][2] * o.r[2][j];
    a.t = (*this)(o.t);
    return a;
}

Affine Affine::Inverse() const {
    const auto& m = r;
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    Affine a;
    if (det == 0) return a;
    a.r[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det;
    a.r[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    a.r[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    a.r[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det;
    a.r[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    a.r[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    a.r[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det;
    a.r[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    a.r[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
    Affine inverse = a;
    inverse.t = {};
    const Point3d back = inverse(t);
    a.t = {-back.x, -back.y, -back.z};
    return a;
}

Affine Affine::RotationOnly() const {
    Affine a = *this;
    a.t = {};
    return a;
}

Affine AxisRotation(const Point3d& axis, double radians) {
    const double s = std::sin(radians / 2);
    return QuaternionRotation({s * axis.x, s * axis.y, s * axis.z, std::cos(radians / 2)});
}

Matrix4 Affine::ToMatrix() const {
    const std::array<double, 16> m = ColumnMajor();
    Matrix4 out;
    for (std::size_t i = 0; i < 16; ++i)
        out.m[i] = static_cast<float>(m[i]);
    return out;
}

std::array<double, 16> Affine::ColumnMajor() const {
    return {r[0][0], r[1][0], r[2][0], 0, r[0][1], r[1][1], r[2][1], 0,
            r[0][2], r[1][2], r[2][2], 0, t.x,     t.y,     t.z,     1};
}

std::array<double, 4> RotationQuaternion(const Affine& a) {
    const auto& m = a.r;
    const double trace = m[0][0] + m[1][1] + m[2][2];
    std::array<double, 4> q{};
    if (trace > 0) {
        const double s = 0.5 / std::sqrt(trace + 1.0);
        q = {(m[2][1] - m[1][2]) * s, (m[0][2] - m[2][0]) * s, (m[1][0] - m[0][1]) * s, 0.25 / s};
    } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
        const double s = 2.0 * std::sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]);
        q = {0.25 * s, (m[0][1] + m[1][0]) / s, (m[0][2] + m[2][0]) / s, (m[2][1] - m[1][2]) / s};
    } else if (m[1][1] > m[2][2]) {
        const double s = 2.0 * std::sqrt(1.0 + m[1][1] - m[0][0] - m[2][2]);
        q = {(m[0][1] + m[1][0]) / s, 0.25 * s, (m[1][2] + m[2][1]) / s, (m[0][2] - m[2][0]) / s};
    } else {
        const double s = 2.0 * std::sqrt(1.0 + m[2][2] - m[0][0] - m[1][1]);
        q = {(m[0][2] + m[2][0]) / s, (m[1][2] + m[2][1]) / s, 0.25 * s, (m[1][0] - m[0][1]) / s};
    }
    const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    const double sign = q[3] < 0 ? -1.0 : 1.0;
    for (double& c : q)
        c *= sign / length;
    return q;
}

Affine Affine::Transposed() const {
    Affine t;
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            t.r[i][j] = r[j][i];
    return t;
}

Affine QuaternionRotation(const Quaternion& q) {
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    Affine a;
    a.r = {{{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
            {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
            {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}}};
    return a;
}

} // namespace figurant
