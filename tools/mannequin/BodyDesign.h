#pragma once
// The designed figure: a standing adult 1.75 m tall, in metres, with u towards the figure's
// right, v up and w forward (the way it faces). Segment lengths are fractions of the height
// from the classic anthropometric segment-length table.
#include "Vec.h"

#include <array>
#include <vector>

namespace mannequin {

constexpr double kHeight = 1.75;
constexpr double kArmAbduction = 20.0; // degrees away from the body
constexpr double kLegSpread = 3.0;     // degrees

struct Bone {
    int segment;
    V3 from, to;
};

struct Joint {
    int parent, child;
    V3 centre;
};

// The upper arm leaves the upright shoulder ring horizontally, curves down round a circle of
// `radius` through `turn` radians, and runs straight from `arcEnd` to the elbow.
struct ArmPath {
    double radius, turn;
    V3 arcEnd;
    V3 At(V3 shoulder, double side, double angle) const {
        return shoulder + radius * V3{side * std::sin(angle), std::cos(angle) - 1, 0};
    }
};

struct BodyDesign {
    V3 neck, waist;
    V3 shoulder[2], elbow[2], wrist[2], fingertip[2]; // [0] right, [1] left
    V3 hip[2], knee[2], ankle[2], toe[2];
    V3 headTop;
    ArmPath arm[2];
    std::vector<Bone> bones;   // each segment's skeleton, for orientation checks
    std::vector<Joint> joints; // every parent-child joint of the figure tree
};

const BodyDesign& Design();

} // namespace mannequin
