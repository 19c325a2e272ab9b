// Fuzz target: key frames made of arbitrary finite floats, formatted and played back in memory,
// come back as the saved values rounded to the six significant digits of the file format.
#include "AnimationFormat.h"
#include "AnimationPlayer.h"
#include "NumberConv.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

// The value as the file holds it: six significant digits, read back with the files' own rule.
float Rounded(float v) {
    float back = 0;
    figurant::StreamFloat(figurant::FormatReal(v), back);
    return back;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr int kSegments = 3;
    float values[16 * (kSegments + 1)] = {};
    for (std::size_t i = 0; i < sizeof values / sizeof(float) && (i + 1) * 4 <= size; ++i) {
        std::memcpy(&values[i], data + 4 * i, 4);
        if (!std::isfinite(values[i])) values[i] = 0;
    }
    int rotX = size > 0 ? data[0] - 128 : 0, rotZ = 0;
    figurant::Matrix4 scene;
    auto pose = std::make_unique<figurant::PoseArray>();
    for (int i = 0; i < 16; ++i) {
        scene[i] = values[i];
        for (int s = 0; s < kSegments; ++s)
            (*pose)[static_cast<std::size_t>(s)].m_matrix[i] = values[16 * (s + 1) + i];
    }
    figurant::AnimationScene target{rotX, rotZ, scene, *pose, kSegments};
    // Two key frames with an increment block between, as two saves write them, all in memory.
    const std::string text = figurant::FormatKeyFrame(target) + figurant::FormatIncrementBlock(target) +
                             figurant::FormatKeyFrame(target);
    if (figurant::TornLine(text, kSegments)) __builtin_trap();
    const int savedX = rotX;
    const figurant::Matrix4 saved = scene;
    rotX = 0;
    scene = figurant::Matrix4{};
    figurant::PlaybackReport report;
    figurant::PlayAnimationText(text, target, {[] {}, [] { return true; }}, &report);
    if (!report.problem.empty() || rotX != savedX) __builtin_trap();
    for (int i = 0; i < 16; ++i)
        if (scene[i] != Rounded(saved[i])) __builtin_trap();
    return 0;
}
