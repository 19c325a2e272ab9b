#pragma once
// The arithmetic of posing: turns about a joint centre and the twist of a limb about its bone.
#include "GeomMath.h"

#include <array>

namespace figurant {

// T(J) x M x T(-J): M applied about the point J (taken as floats).
Matrix4 AboutPoint(const Point3d& J, const Matrix4& M);
// The drag turn of RotateSelection: T(J) Rx Ry Rz T(-J) with Rx by +alpha for the figure's left
// limbs (first selected segment 5, 7, 9, 11, 13, 15) and -alpha otherwise, Ry by -beta, Rz by -gamma.
Matrix4 DragRotation(const Point3d& J, int firstSelected, int alpha, int beta, int gamma);
// Degrees (a, b, c) with the linear part of m equal to Mz(c) My(b) Mx(a), M being the pose keys'
// turn about an axis. Of the two sets that do, the one with the smaller sum of magnitudes, each
// angle in (-180, 180]: a turn made by one key shows as that key's angle alone, also past 90
// degrees. Where b is a right angle only c - a or c + a counts, and a is taken as 0.
std::array<float, 3> TurnAngles(const Matrix4& m);

// A twist of `step` degrees about the bone axis from J to Jc: a point turns in proportion to its
// distance along the axis from J (nothing at J's plane, the full step at Jc's plane).
class BoneTwist {
  public:
    BoneTwist(const Point3d& J, const Point3d& Jc, float step);
    // The twisted point about J (as the segment's own vertices turn).
    Point3d Apply(const Point3d& p) const { return TurnAbout(m_J, p); }
    // The same angle, turned about Jc (the child's parent-side ring).
    Point3d ApplyAboutChild(const Point3d& p) const { return TurnAbout(m_Jc, p); }
    // A direction at point p turned as the twist turns p (a normal of the surface there).
    Vec3f TurnDirection(const Point3d& p, const Vec3f& direction) const;
    // The turn at p, worked out once for every point at that position and for their normals:
    // Apply and TurnDirection computed without a matrix.
    struct Turn {
        double cosine = 1, sine = 0;
    };
    Turn TurnFor(const Point3d& p) const;
    Point3d Apply(const Point3d& p, const Turn& turn) const { return m_J + Rodrigues(turn, p - m_J); }
    Vec3f TurnDirection(const Turn& turn, const Vec3f& direction) const {
        const Point3d n = Rodrigues(turn, {direction.x, direction.y, direction.z});
        return {static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z)};
    }
    // The child's rigid turn by the full step: T(Jc) R(step) T(-Jc).
    Matrix4 ChildTurn() const;

  private:
    // u turned about the axis (through the origin); the sine's sign is that of MakeRotation's
    // matrices as TransformPoint applies them.
    Point3d Rodrigues(const Turn& t, const Point3d& u) const {
        return t.cosine * u - t.sine * Cross(m_axis, u) + (Dot(m_axis, u) * (1 - t.cosine)) * m_axis;
    }
    Point3d TurnAbout(const Point3d& centre, const Point3d& p) const;
    // The turn (about the axis through the origin) a point at p gets: in proportion to its place.
    Matrix4 TurnAt(const Point3d& p) const;
    Point3d m_J, m_Jc, m_axis;
    float m_length, m_step;
};

} // namespace figurant
