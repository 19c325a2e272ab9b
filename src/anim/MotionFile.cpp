#include "MotionFile.h"

#include "PoseFrames.h"

namespace figurant {

std::string FormatMotion(MotionFormat format, const Figure& figure, std::vector<PoseFrame> frames,
                         const MotionOptions& options) {
    const PoseFrame now = CurrentFrame(figure);
    if (format == MotionFormat::Glb) return FormatGlb(figure, now, frames, options);
    if (frames.empty()) frames.push_back(now);
    return FormatBvh(figure, frames, options);
}

} // namespace figurant
