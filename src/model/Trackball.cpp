#include "Trackball.h"

#include <cmath>

namespace figurant {

namespace {

using V3 = std::array<float, 3>;

V3 Sub(const V3& a, const V3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
V3 Add(const V3& a, const V3& b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
V3 Scale(const V3& a, float s) {
    return {a[0] * s, a[1] * s, a[2] * s};
}
V3 CrossV(const V3& a, const V3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float DotV(const V3& a, const V3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
float LengthV(const V3& a) {
    return std::sqrt(DotV(a, a));
}

} // namespace

// Inside r / sqrt(2) the point lies on the sphere, outside on the hyperbolic sheet that meets it
// there. The two factors differ in their last digit on purpose: the test and the sheet's height
// have always used these two roundings of 1 / sqrt(2), and the picture depends on them.
constexpr double kSphereEdge = 0.7071067811865476;
constexpr double kSheetScale = 0.7071067811865475;

float ProjectToSphere(float r, float x, float y) {
    const double d = std::sqrt(x * x + y * y);
    if (d < r * kSphereEdge) return static_cast<float>(std::sqrt(r * r - d * d));
    const double t = r * kSheetScale;
    return static_cast<float>(t * t / d);
}

void Trackball(Quat& q, float x1, float y1, float x2, float y2) {
    if (x1 == x2 && y1 == y2) {
        q = {0, 0, 0, 1};
        return;
    }
    const V3 p1{x1, y1, ProjectToSphere(TRACKBALL_SIZE, x1, y1)};
    const V3 p2{x2, y2, ProjectToSphere(TRACKBALL_SIZE, x2, y2)};
    V3 axis = CrossV(p2, p1);
    // Both points on one ray from the centre give no axis: no turn rather than NaN.
    if (!(LengthV(axis) > 0.0f)) {
        q = {0, 0, 0, 1};
        return;
    }
    float t = LengthV(Sub(p1, p2)) / (2.0f * TRACKBALL_SIZE);
    if (t > 1.0f) t = 1.0f;
    if (t < -1.0f) t = -1.0f;
    const float phi = 2.0f * std::asin(t);
    q = AxisToQuat(axis, phi);
}

Quat AxisToQuat(std::array<float, 3>& axis, float phi) {
    axis = Scale(axis, 1.0f / LengthV(axis));
    const V3 v = Scale(axis, std::sin(phi / 2.0f));
    return {v[0], v[1], v[2], std::cos(phi / 2.0f)};
}

void AddQuats(const Quat& q1, const Quat& q2, Quat& dest, int& additions) {
    const V3 v1{q1[0], q1[1], q1[2]}, v2{q2[0], q2[1], q2[2]};
    const V3 t1 = Scale(v1, q2[3]);
    const V3 t2 = Scale(v2, q1[3]);
    const V3 t3 = CrossV(v2, v1);
    const V3 sum = Add(Add(t1, t2), t3);
    const float w = q1[3] * q2[3] - DotV(v1, v2);
    dest = {sum[0], sum[1], sum[2], w};
    // Rounding drifts the sum away from unit length: every 98th addition puts it back.
    constexpr int kAdditionsBetweenRenormalisations = 97;
    if (++additions > kAdditionsBetweenRenormalisations) {
        additions = 0;
        NormalizeQuat(dest);
    }
}

void NormalizeQuat(Quat& q) {
    const float m = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
    for (float& c : q)
        c /= m;
}

void BuildRotMatrix(float m[16], const Quat& q) {
    const float x = q[0], y = q[1], z = q[2], w = q[3];
    const float v[16] = {1 - 2 * (y * y + z * z),
                         2 * (x * y - z * w),
                         2 * (z * x + y * w),
                         0,
                         2 * (x * y + z * w),
                         1 - 2 * (z * z + x * x),
                         2 * (y * z - x * w),
                         0,
                         2 * (z * x - y * w),
                         2 * (y * z + x * w),
                         1 - 2 * (y * y + x * x),
                         0,
                         0,
                         0,
                         0,
                         1};
    for (int i = 0; i < 16; ++i)
        m[i] = v[i];
}

} // namespace figurant
