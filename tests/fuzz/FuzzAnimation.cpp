// Fuzz target: playback of an arbitrary animation file into a figure of sixteen segments. The
// player and the append check must agree on which files end with a whole key frame.
#include "AnimationFormat.h"
#include "AnimationPlayer.h"

#include <cstdint>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    int rotX = 0, rotZ = 0;
    figurant::Matrix4 scene;
    auto pose = std::make_unique<figurant::PoseArray>();
    for (int s = 0; s < 16; s += 3)
        (*pose)[static_cast<std::size_t>(s)].m_pJointCentre = figurant::Point3d{0.1 * s, 0, 0};
    (*pose)[4].m_restRing = {{0, 0, 0}, {1, 0, 0}};
    figurant::AnimationScene target{rotX, rotZ, scene, *pose, 16};
    figurant::PlaybackReport report;
    figurant::PlayAnimationText(text, target, {[] {}, [] { return true; }}, &report);
    if (!figurant::TornLine(text, 16) && !report.problem.empty()) __builtin_trap();
    return 0;
}
