#include "LimbSolver.h"

#include <algorithm>
#include <cmath>

namespace figurant {

namespace {

// Shorter than this (in the figure's units) a direction is taken as none.
constexpr double kTiny = 1e-9;
// Below this share of the upper bone's length the middle joint is taken as on the line from root
// to end: the limb is straight.
constexpr double kStraightShare = 1e-4;

Point3d Unit(const Point3d& p) {
    const double length = Length(p);
    return length > kTiny ? (1.0 / length) * p : Point3d{};
}

// What is left of v across the unit direction u.
Point3d Across(const Point3d& v, const Point3d& u) {
    return v - Dot(v, u) * u;
}

// Any unit direction across the unit direction u.
Point3d AnyAcross(const Point3d& u) {
    const Point3d other = std::fabs(u.x) < 0.9 ? Point3d{1, 0, 0} : Point3d{0, 1, 0};
    return Unit(Cross(u, other));
}

// The rotation with columns a, b, c.
Affine Columns(const Point3d& a, const Point3d& b, const Point3d& c) {
    Affine m;
    m.r = {{{a.x, b.x, c.x}, {a.y, b.y, c.y}, {a.z, b.z, c.z}}};
    return m;
}

// The rotation taking the frame (u, n) onto the frame (u2, n2), both orthonormal pairs.
Affine FrameTurn(const Point3d& u, const Point3d& n, const Point3d& u2, const Point3d& n2) {
    return Columns(u2, n2, Cross(u2, n2)) * Columns(u, n, Cross(u, n)).Transposed();
}

Affine AxisTurn(const Point3d& axis, double radians) {
    const Point3d a = Unit(axis);
    const double s = std::sin(radians / 2);
    return QuaternionRotation({a.x * s, a.y * s, a.z * s, std::cos(radians / 2)});
}

} // namespace

double Length(const Point3d& p) {
    return std::sqrt(Dot(p, p));
}

Affine TurnBetween(const Point3d& from, const Point3d& to, const Point3d& fallbackAxis) {
    const Point3d a = Unit(from), b = Unit(to);
    if (Length(a) == 0 || Length(b) == 0) return {};
    const Point3d axis = Cross(a, b);
    const double angle = std::atan2(Length(axis), Dot(a, b));
    if (Length(axis) > kTiny) return AxisTurn(axis, angle);
    if (Dot(a, b) > 0) return {};
    const Point3d fallback = Unit(Across(fallbackAxis, a));
    return AxisTurn(Length(fallback) > 0 ? fallback : AnyAcross(a), kPi);
}

Affine TurnAbout(const Point3d& centre, const Affine& turn) {
    const Point3d back{-centre.x, -centre.y, -centre.z};
    return Affine::Translation(centre) * turn * Affine::Translation(back);
}

TwoBoneReach SolveTwoBones(const TwoBoneChain& chain, const Point3d& target, const Point3d& natural,
                           double mostBendDegrees) {
    const Point3d upper = chain.middle - chain.root, lower = chain.end - chain.middle;
    const double a = Length(upper), b = Length(lower);
    TwoBoneReach reach{chain.middle, chain.end, {}, {}, false};
    if (a <= kTiny || b <= kTiny) return reach;

    // Where the end goes: towards the target, as far as the limb reaches.
    const Point3d toTarget = target - chain.root, toEnd = chain.end - chain.root;
    const double distance = Length(toTarget);
    const Point3d u = distance > kTiny ? Unit(toTarget) : Unit(toEnd);
    const double interior = (180.0 - mostBendDegrees) * kPi / 180.0;
    const double shortest = std::sqrt(std::max(0.0, a * a + b * b - 2 * a * b * std::cos(interior)));
    const double d = std::clamp(distance, shortest, a + b);
    reach.reached = std::fabs(d - distance) <= 1e-9 * (a + b);

    // The way the middle joint points: as now when the limb bends the right way, else the natural way.
    const Point3d lineNow = Unit(toEnd);
    const Point3d bendNow = Length(lineNow) > 0 ? Across(upper, lineNow) : Point3d{};
    const bool bentRightWay = Length(bendNow) > kStraightShare * a && Dot(bendNow, natural) > 0;
    const Point3d pole = bentRightWay ? bendNow : natural;
    Point3d v = Unit(Across(pole, u));
    if (Length(v) == 0) v = Unit(Across(upper, u));
    if (Length(v) == 0) v = AnyAcross(u);

    const double cosine = std::clamp((a * a + d * d - b * b) / (2 * a * d), -1.0, 1.0);
    const double sine = std::sqrt(1 - cosine * cosine);
    reach.middle = chain.root + a * (cosine * u + sine * v);
    reach.end = chain.root + d * u;

    // The hinge's axis before and after: the upper bone turns frame to frame, so the lower bone
    // then lies in the new plane and turns about the hinge alone.
    const Point3d hingeNow = Length(bendNow) > kStraightShare * a
                                 ? Unit(Cross(upper, lower))
                                 : Unit(Cross(Unit(Across(pole, Unit(upper))), Unit(upper)));
    const Point3d hinge = Unit(Cross(v, u));
    const Point3d upperNew = Unit(reach.middle - chain.root);
    const Point3d hingeFrom = Length(hingeNow) > 0 ? hingeNow : AnyAcross(Unit(upper));
    reach.rootTurn =
        FrameTurn(Unit(upper), Unit(Across(hingeFrom, Unit(upper))), upperNew, Unit(Across(hinge, upperNew)));
    const Point3d lowerTurned = reach.rootTurn(lower);
    reach.middleTurn = TurnBetween(lowerTurned, reach.end - reach.middle, hinge);
    return reach;
}

} // namespace figurant
