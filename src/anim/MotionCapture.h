#pragma once
// Motion capture carried onto the figure: each of the figure's sixteen segments follows the bone
// of the file that the bone-name table gives it, so that every limb takes the same direction in the
// world as in the capture, whatever the two skeletons' rest poses (a T-pose capture on an A-pose
// figure raises the arms to the capture's, not by its angles). The travel of the capture's root is
// scaled by the ratio of the two skeletons' leg lengths; bones the figure lacks are left out (their
// turns still carry the bones below them), segments the file lacks stay at rest on their parents.
#include "BvhReader.h"
#include "PoseFrames.h"

#include <optional>
#include <string>
#include <vector>

namespace figurant {

struct RetargetedMotion {
    std::vector<PoseFrame> frames; // every frame of the file
    double framesPerSecond = 30;
    std::vector<std::string> missing; // the figure's segments no bone of the file moves
    std::vector<std::string> leftOut; // bones of the file the figure has no segment for
    std::string problem;              // the file's own fault, when its first frames could be read
};

// Whether the path names a motion-capture file (.bvh) rather than the program's own animation.
bool IsMotionCaptureFile(const std::string& path);

std::optional<RetargetedMotion> RetargetMotion(const BvhMotion& motion, const Figure& figure,
                                               std::string* error);
std::optional<RetargetedMotion> ReadMotionCapture(const std::string& path, const Figure& figure,
                                                  std::string* error);

// What could not be matched, said once to the user; empty when everything was.
std::string UnmatchedNote(const RetargetedMotion& motion);

} // namespace figurant
