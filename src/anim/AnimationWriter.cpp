#include "AnimationWriter.h"

#include "AnimationFormat.h"
#include "DurableFile.h"

namespace figurant {

std::string WriteKeyFrame(const std::string& path, bool create, AnimationScene& scene) {
    if (create) return WriteFileDurably(path, FormatKeyFrame(scene));
    const std::string error = AppendFileDurably(path, FormatIncrementBlock(scene) + FormatKeyFrame(scene));
    if (!error.empty()) return error;
    for (int i = 0; i < scene.nSegments; ++i) {
        SegmentPose& p = scene.pose[static_cast<std::size_t>(i)];
        p.m_rotInc = {0, 0, 0};
        p.m_transInc = {0, 0, 0};
    }
    return {};
}

} // namespace figurant
