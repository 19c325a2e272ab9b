// Fuzz target: a key frame made of arbitrary finite floats, saved and played back, comes back as
// the saved values rounded to the six significant digits of the file format.
#include "AnimationFormat.h"
#include "AnimationPlayer.h"
#include "AnimationWriter.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

float Rounded(float v) {
    const std::string text = figurant::FormatReal(v);
    double d = 0;
    std::from_chars(text.data(), text.data() + text.size(), d);
    return static_cast<float>(d);
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
    char path[] = "/tmp/figurant-roundtrip-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return 0;
    close(fd);
    if (figurant::WriteKeyFrame(path, true, target).empty()) {
        const int savedX = rotX;
        figurant::Matrix4 saved = scene;
        rotX = 0;
        scene = figurant::Matrix4{};
        figurant::PlayAnimation(path, target, {[] {}, [] { return true; }});
        if (rotX != savedX) __builtin_trap();
        for (int i = 0; i < 16; ++i)
            if (scene[i] != Rounded(saved[i])) __builtin_trap();
    }
    unlink(path);
    return 0;
}
