#pragma once
// The figure as the exporters' skeleton: one joint per segment of the figure tree that has a
// surface, at its joint centre (the root, the chest, at the waist), in the view's axes.
#include "Figure.h"

#include <optional>
#include <string>
#include <vector>

namespace figurant {

struct ExportJoint {
    int segment = 0;
    int parent = -1;  // index in the skeleton; -1 for the root
    Point3d rest;     // the joint's point at rest
    std::string name; // "LeftForearm": the segment's name without spaces
    // Leaves: a point beyond the joint, as far past the segment's middle as the joint lies before it.
    std::optional<Point3d> endSite;
};

// Parents before their children.
std::vector<ExportJoint> ExportSkeleton(const Figure& figure);

} // namespace figurant
