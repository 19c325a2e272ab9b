#pragma once
// The figure as a binary glTF 2.0 file (.glb): one skinned mesh, a closed surface whose vertices
// are shared by the faces that meet at them, coloured per vertex in the segment colours, with a
// joint per segment of the figure tree, the current pose as the joints' transforms and,
// when there are frames, an animation of every joint's rotation and translation sampled at each.
// Each corner is bound to its own segment's joint, except the corners on a joint ring, which are
// bound to the child's joint at the ring's place: the seams stay closed however the figure turns.
#include "BvhWriter.h"

#include <string>
#include <vector>

namespace figurant {

std::string FormatGlb(const Figure& figure, const PoseFrame& pose, const std::vector<PoseFrame>& frames,
                      const MotionOptions& options);

} // namespace figurant
