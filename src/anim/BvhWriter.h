#pragma once
// The figure and its poses as BVH motion: the figure tree as the hierarchy (offsets from the
// joint centres, an End Site for each leaf), standing on the ground (its lowest point at rest at
// height 0, centred between its feet); the root, and every joint that a frame moves (not only
// turns), with position and rotation channels, every other joint three rotations in the order Z,
// X, Y; one line of channels per frame.
#include "ExportSkeleton.h"
#include "PoseFrames.h"

#include <string>
#include <vector>

namespace figurant {

struct MotionOptions {
    double framesPerSecond = 30.0;
    double metresPerUnit = 1.0; // 0.01 for centimetres
    JointNaming naming = JointNaming::Program;
    double facingYaw = 0; // radians: the way an imported figure faced in its file
};

std::string FormatBvh(const Figure& figure, const std::vector<PoseFrame>& frames,
                      const MotionOptions& options);

} // namespace figurant
