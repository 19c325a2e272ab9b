#pragma once
// The body's keypoints as the pose tools of image generators lay them out (18 points, or 25 with
// the middle of the hips and the feet), placed on the posed figure in view coordinates.
//
// Joints are the centres of the figure's joint rings (neck, shoulders, elbows, wrists, hips, knees,
// ankles); the middle of the hips lies halfway between the hips. The face and the feet have no
// joints, so they take fixed places in the rest box of the head or foot, measured from its joint
// along the figure's forward, up and right directions and carried by the segment's pose:
//   nose: the head's front, 40 % of the way from the neck to the top, on the middle line;
//   eyes: a tenth of the head's depth behind its front, 55 % up, 35 % of the half-width to each side;
//   ears: halfway between the head's front and back, 45 % up, at its sides;
//   big toe: the foot's front, at its sole, a fifth of its width to the inner side of its middle;
//   small toe: 80 % of the way to the front, at its sole, 60 % of its half-width to the outer side;
//   heel: the foot's back, at its sole, on its middle line.
#include "Figure.h"

#include <array>
#include <optional>
#include <vector>

namespace figurant {

enum class KeyPointLayout { Body18, Body25 };

struct BodyKeyPoint {
    Point3d at;                    // view coordinates, posed
    std::vector<int> segments;     // the segments it lies in or between
    std::optional<Point3d> facing; // for points on the surface (the face): the way they face
};

// In the layout's order; a point the figure lacks (a model without that segment or joint) is empty.
std::vector<std::optional<BodyKeyPoint>> BodyKeyPoints(const Figure& figure, KeyPointLayout layout);

// How the pose tools draw a layout's skeleton: the pairs of points joined, each limb's colour,
// and each point's colour (red, green, blue).
using Rgb = std::array<unsigned char, 3>;
struct KeyPointLimb {
    int from, to;
    Rgb colour;
};
struct SkeletonStyle {
    std::vector<KeyPointLimb> limbs;
    std::vector<Rgb> points;
};
const SkeletonStyle& SkeletonStyleOf(KeyPointLayout layout);

} // namespace figurant
