// Fuzz target: the BVH reader on arbitrary bytes, and what it reads carried onto a small figure of
// sixteen segments, each a triangle meeting its parent's.
#include "BvhReader.h"

#include <cmath>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto motion = figurant::ParseBvh(std::string(reinterpret_cast<const char*>(data), size), nullptr);
    if (!motion) return 0;
    // Every value kept is finite, the frames fill the values exactly, parents come first, and
    // channels lie inside a frame.
    if (motion->values.size() != static_cast<std::size_t>(motion->frames) * motion->channelsPerFrame)
        __builtin_trap();
    for (float v : motion->values)
        if (!std::isfinite(v)) __builtin_trap();
    for (std::size_t j = 0; j < motion->joints.size(); ++j) {
        const auto& joint = motion->joints[j];
        if (joint.parent >= static_cast<int>(j) || (j > 0 && joint.parent < 0)) __builtin_trap();
        if (joint.firstChannel + static_cast<int>(joint.channels.size()) > motion->channelsPerFrame)
            __builtin_trap();
    }
    if (!(motion->frameTime >= figurant::kShortestFrameTime &&
          motion->frameTime <= figurant::kLongestFrameTime))
        __builtin_trap();
    if (motion->frames > figurant::kMostBvhFrames) __builtin_trap();
    for (int f = 0; f < motion->frames && f < 4; ++f)
        for (const auto& joint : motion->joints) {
            const figurant::Affine r = figurant::BvhLocalRotation(joint, motion->Frame(f));
            if (!std::isfinite(r.r[0][0])) __builtin_trap();
        }
    return 0;
}
