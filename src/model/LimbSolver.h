#pragma once
// Reaching with a limb of two bones (upper arm and forearm, thigh and shank): where the middle
// joint and the end go so that the end meets a target, and the two turns that take the bones
// there. The middle joint is a hinge: it stays in one plane and bends one way only.
#include "Affine.h"

namespace figurant {

// Elbows and knees bend from straight up to this many degrees.
constexpr double kMostLimbBend = 160.0;

struct TwoBoneChain {
    Point3d root, middle, end; // shoulder, elbow, wrist (or hip, knee, ankle), all in one frame
};

struct TwoBoneReach {
    Point3d middle, end;
    // The upper bone's turn about the root, then the lower bone's about the new middle joint
    // (rotations without a translation).
    Affine rootTurn, middleTurn;
    bool reached = false; // false: the target was out of reach, the limb points at it
};

// `natural` is the way the middle joint points in a correctly bent limb (behind an elbow, in front
// of a knee), perpendicular to the upper bone. The limb keeps the plane it bends in now when it
// bends that way; a straight limb, or one bent the wrong way, bends towards `natural`.
TwoBoneReach SolveTwoBones(const TwoBoneChain& chain, const Point3d& target, const Point3d& natural,
                           double mostBendDegrees = kMostLimbBend);

// The shortest turn taking direction `from` onto `to` (neither need be a unit vector); about
// `fallbackAxis` when they are opposite.
Affine TurnBetween(const Point3d& from, const Point3d& to, const Point3d& fallbackAxis);
// T(centre) x turn x T(-centre).
Affine TurnAbout(const Point3d& centre, const Affine& turn);
double Length(const Point3d& p);

} // namespace figurant
