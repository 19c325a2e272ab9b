#pragma once
// Virtual trackball: two mouse positions on a ball give a rotation quaternion (x, y, z, w),
// vector part first. Positions are in normalised window units, -1 to 1 with y upwards.
#include <array>

namespace figurant {

using Quat = std::array<float, 4>;

constexpr float TRACKBALL_SIZE = 1.0f;

float ProjectToSphere(float r, float x, float y);
void Trackball(Quat& q, float x1, float y1, float x2, float y2);
// Normalises the axis in place; the quaternion of a turn by phi radians about it.
Quat AxisToQuat(std::array<float, 3>& axis, float phi);
// dest = q1 followed by q2 (dest may be q2). `additions` counts the additions made to one
// rotation (the caller's trackball owns it); every 98th renormalises dest.
void AddQuats(const Quat& q1, const Quat& q2, Quat& dest, int& additions);
// Divides by the squared length, which near unit length is as good as the length.
void NormalizeQuat(Quat& q);
void BuildRotMatrix(float m[16], const Quat& q);

} // namespace figurant
