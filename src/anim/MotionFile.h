#pragma once
// The bytes of a motion file of the figure: BVH (the current pose as its one frame when there is
// no animation) or binary glTF (the figure in its current pose, with the animation's frames).
#include "BvhWriter.h"
#include "GlbWriter.h"

#include <string>
#include <vector>

namespace figurant {

enum class MotionFormat { Bvh, Glb };

std::string FormatMotion(MotionFormat format, const Figure& figure, std::vector<PoseFrame> frames,
                         const MotionOptions& options);

} // namespace figurant
