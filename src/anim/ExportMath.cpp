#include "ExportMath.h"

#include <algorithm>
#include <cmath>

namespace figurant {

std::array<double, 3> EulerZXY(const Affine& a) {
    const auto& m = a.r;
    const double toDegrees = 180.0 / kPi;
    const double sx = std::max(-1.0, std::min(1.0, m[2][1]));
    const double x = std::asin(sx);
    // Looking straight along y (x at +-90 degrees) only the sum of the z and y turns counts.
    if (std::fabs(sx) > 1 - 1e-12) return {std::atan2(m[1][0], m[0][0]) * toDegrees, x * toDegrees, 0.0};
    return {std::atan2(-m[0][1], m[1][1]) * toDegrees, x * toDegrees,
            std::atan2(-m[2][0], m[2][2]) * toDegrees};
}

Affine ExchangeAxes::Transform(const Affine& view) const {
    // A maps view points to exchange points: A = S * P with P the axis change, S the unit scale.
    Affine A;
    A.r = {
        {{m_scale * m_cos, -m_scale * m_sin, 0}, {0, 0, m_scale}, {-m_scale * m_sin, -m_scale * m_cos, 0}}};
    A = A * Affine::Translation(-1.0 * m_origin);
    return A * view * A.Inverse();
}

} // namespace figurant
