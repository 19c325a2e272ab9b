#include "JointMath.h"

#include <algorithm>
#include <cmath>

namespace figurant {

Matrix4 AboutPoint(const Point3d& J, const Matrix4& M) {
    const auto x = static_cast<float>(J.x), y = static_cast<float>(J.y), z = static_cast<float>(J.z);
    Matrix4 D = Matrix4::Translation(x, y, z);
    MultMatrix(D, M);
    MultMatrix(D, Matrix4::Translation(-x, -y, -z));
    return D;
}

namespace {

double Wrapped(double degrees) {
    degrees = std::remainder(degrees, 360.0);
    return degrees <= -180.0 ? degrees + 360.0 : degrees;
}

} // namespace

std::array<float, 3> TurnAngles(const Matrix4& m) {
    constexpr double kDegrees = 180.0 / kPi;
    // Below this cosine of b the other two angles turn about one axis.
    constexpr double kGimbalCosine = 1e-5;
    const double b = std::asin(std::clamp(static_cast<double>(m[2]), -1.0, 1.0));
    double a = 0, c = 0;
    if (std::cos(b) > kGimbalCosine) {
        a = std::atan2(-m[6], m[10]);
        c = std::atan2(-m[1], m[0]);
    } else {
        Matrix4 unturned;
        MakeRotation(static_cast<float>(-b * kDegrees), 0, 1, 0, unturned);
        Matrix4 z = m;
        MultMatrix(z, unturned);
        c = std::atan2(-z[1], z[0]);
    }
    const std::array<double, 3> one{Wrapped(a * kDegrees), Wrapped(b * kDegrees), Wrapped(c * kDegrees)};
    const std::array<double, 3> other{Wrapped(one[0] + 180), Wrapped(180 - one[1]), Wrapped(one[2] + 180)};
    auto size = [](const std::array<double, 3>& v) {
        return std::fabs(v[0]) + std::fabs(v[1]) + std::fabs(v[2]);
    };
    const auto& best = size(other) < size(one) - 1e-6 ? other : one;
    return {static_cast<float>(best[0]), static_cast<float>(best[1]), static_cast<float>(best[2])};
}

Matrix4 DragRotation(const Point3d& J, int firstSelected, int alpha, int beta, int gamma) {
    const bool leftLimb = firstSelected == 5 || firstSelected == 7 || firstSelected == 9 ||
                          firstSelected == 11 || firstSelected == 13 || firstSelected == 15;
    Matrix4 Rx, Ry, Rz;
    MakeRotation(static_cast<float>(leftLimb ? alpha : -alpha), 1, 0, 0, Rx);
    MakeRotation(static_cast<float>(-beta), 0, 1, 0, Ry);
    MakeRotation(static_cast<float>(-gamma), 0, 0, 1, Rz);
    const auto x = static_cast<float>(J.x), y = static_cast<float>(J.y), z = static_cast<float>(J.z);
    Matrix4 D = Matrix4::Translation(x, y, z);
    MultMatrix(D, Rx);
    MultMatrix(D, Ry);
    MultMatrix(D, Rz);
    MultMatrix(D, Matrix4::Translation(-x, -y, -z));
    return D;
}

BoneTwist::BoneTwist(const Point3d& J, const Point3d& Jc, float step)
    : m_J(J), m_Jc(Jc), m_axis(Normalize(Jc - J)), m_step(step) {
    const Point3d d = Jc - J;
    m_length = static_cast<float>(std::sqrt(Dot(d, d)));
}

Matrix4 BoneTwist::TurnAt(const Point3d& p) const {
    const double along = Dot(p - m_J, m_axis);
    const auto theta = static_cast<float>(m_step * along / m_length);
    Matrix4 R;
    MakeRotation(theta, static_cast<float>(m_axis.x), static_cast<float>(m_axis.y),
                 static_cast<float>(m_axis.z), R);
    return R;
}

Point3d BoneTwist::TurnAbout(const Point3d& centre, const Point3d& p) const {
    return TransformPoint3(AboutPoint(centre, TurnAt(p)), p);
}

Vec3f BoneTwist::TurnDirection(const Point3d& p, const Vec3f& direction) const {
    Vec4f v{direction.x, direction.y, direction.z, 0.0f};
    TransformPoint(TurnAt(p), v);
    return {v[0], v[1], v[2]};
}

// The turn TurnAt's matrix makes about J, by Rodrigues' formula in double precision: a point of
// a large segment then costs one sine and cosine instead of three matrix products.
BoneTwist::Turn BoneTwist::TurnFor(const Point3d& p) const {
    constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;
    const double theta = kRadiansPerDegree * m_step * Dot(p - m_J, m_axis) / m_length;
    return {std::cos(theta), std::sin(theta)};
}

Matrix4 BoneTwist::ChildTurn() const {
    Matrix4 R;
    MakeRotation(m_step, static_cast<float>(m_axis.x), static_cast<float>(m_axis.y),
                 static_cast<float>(m_axis.z), R);
    return AboutPoint(m_Jc, R);
}

} // namespace figurant
