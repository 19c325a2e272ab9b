#include "InspectAnim.h"

#include "AnimationReader.h"
#include "InputFile.h"
#include "Json.h"

#include <array>
#include <cstdio>
#include <memory>
#include <vector>

namespace figurant {

namespace {

struct KeyFrame {
    int rotX = 0, rotZ = 0;
    Matrix4 scene;
    std::vector<Matrix4> matrices;
};

void PrintFloats(const float* v, int n) {
    std::fputs("[", stdout);
    for (int i = 0; i < n; ++i)
        std::printf("%s%s", i ? ", " : "", json::Float(v[i]).c_str());
    std::fputs("]", stdout);
}

} // namespace

int InspectAnim(const std::string& path, int segments) {
    auto text = ReadInputFile(path);
    if (!text) {
        std::puts("null");
        return 1;
    }
    // The file is read as playback reads it, into a scene of its own: a number that cannot be
    // read leaves the value before it (identity matrices at the start).
    NumberReader in(std::move(*text));
    auto pose = std::make_unique<PoseArray>();
    int rotX = 0, rotZ = 0;
    Matrix4 sceneMatrix;
    AnimationScene scene{rotX, rotZ, sceneMatrix, *pose, segments};
    std::vector<KeyFrame> frames;
    std::vector<std::vector<std::array<float, 6>>> increments;
    for (;;) {
        const bool whole = ReadKeyFrame(in, scene);
        KeyFrame k{rotX, rotZ, sceneMatrix, {}};
        for (int s = 0; s < segments; ++s)
            k.matrices.push_back((*pose)[static_cast<std::size_t>(s)].m_matrix);
        frames.push_back(k);
        if (!whole || !ReadIncrements(in, scene)) break;
        std::vector<std::array<float, 6>> block;
        for (int s = 0; s < segments; ++s) {
            const SegmentPose& p = (*pose)[static_cast<std::size_t>(s)];
            block.push_back({p.m_rotInc[0], p.m_rotInc[1], p.m_rotInc[2], p.m_transInc[0], p.m_transInc[1],
                             p.m_transInc[2]});
        }
        increments.push_back(block);
    }
    std::fputs("{\"keyframes\": [", stdout);
    for (std::size_t f = 0; f < frames.size(); ++f) {
        std::printf("%s{\"scene_rot\": [%d, %d], \"scene_matrix\": ", f ? ", " : "", frames[f].rotX,
                    frames[f].rotZ);
        PrintFloats(frames[f].scene.data(), 16);
        std::fputs(", \"matrices\": [", stdout);
        for (std::size_t s = 0; s < frames[f].matrices.size(); ++s) {
            if (s) std::fputs(", ", stdout);
            PrintFloats(frames[f].matrices[s].data(), 16);
        }
        std::fputs("]}", stdout);
    }
    std::fputs("], \"increments\": [", stdout);
    for (std::size_t b = 0; b < increments.size(); ++b) {
        std::fputs(b ? ", [" : "[", stdout);
        for (std::size_t s = 0; s < increments[b].size(); ++s) {
            if (s) std::fputs(", ", stdout);
            PrintFloats(increments[b][s].data(), 6);
        }
        std::fputs("]", stdout);
    }
    std::fputs("]}\n", stdout);
    return 0;
}

} // namespace figurant
