#include "AnimationWriter.h"

#include "AnimationFormat.h"
#include "DurableFile.h"
#include "InputFile.h"

#include <sys/stat.h>

namespace figurant {

std::string WriteKeyFrame(const std::string& path, bool create, AnimationScene& scene, bool* torn) {
    if (torn) *torn = false;
    if (create) {
        const std::string error = WriteFileDurably(path, FormatKeyFrame(scene));
        if (error.empty()) ClearIncrements(scene);
        return error;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        std::string error;
        const auto text = ReadInputFile(path, &error);
        if (!text) return error;
        if (const auto line = TornLine(*text, scene.nSegments)) {
            if (torn) *torn = true;
            return "it does not end with a whole key frame (line " + std::to_string(*line) + ")";
        }
    }
    const std::string error = AppendFileDurably(path, FormatIncrementBlock(scene) + FormatKeyFrame(scene));
    if (error.empty()) ClearIncrements(scene);
    return error;
}

void ClearIncrements(AnimationScene& scene) {
    for (int i = 0; i < scene.nSegments; ++i) {
        SegmentPose& p = scene.pose[static_cast<std::size_t>(i)];
        p.m_rotInc = {0, 0, 0};
        p.m_transInc = {0, 0, 0};
    }
}

} // namespace figurant
