#pragma once
// Affine transforms in double precision (a 3 x 3 part and a translation): the exporters' joint
// frames and the skeletons of imported characters.
#include "GeomMath.h"

#include <array>

namespace figurant {

struct Affine {
    std::array<std::array<double, 3>, 3> r{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}; // r[row][column]
    Point3d t;

    static Affine FromMatrix(const Matrix4& m); // column-major, as OpenGL holds it
    static Affine Translation(const Point3d& p);
    Point3d operator()(const Point3d& p) const;
    Affine operator*(const Affine& o) const;
    Affine Inverse() const; // of the 3 x 3 part in general, not only of a rotation
    Affine RotationOnly() const;
    // The 3 x 3 part transposed (a rotation's inverse), without a translation.
    Affine Transposed() const;
    std::array<double, 16> ColumnMajor() const;
    // In single precision, as a segment's matrix holds it.
    Matrix4 ToMatrix() const;
};

// The nearest rotation's quaternion (x, y, z, w), w >= 0.
std::array<double, 4> RotationQuaternion(const Affine& a);

using Quaternion = std::array<double, 4>; // x, y, z, w

// The rotation of a unit quaternion.
Affine QuaternionRotation(const Quaternion& q);
// A right-handed turn of `radians` about a unit axis.
Affine AxisRotation(const Point3d& axis, double radians);

} // namespace figurant
