// Fuzz target: playback of an arbitrary animation file into a figure of sixteen segments.
#include "AnimationPlayer.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    char path[] = "/tmp/figurant-fuzz-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return 0;
    const bool written = write(fd, data, size) == static_cast<ssize_t>(size);
    close(fd);
    if (written) {
        int rotX = 0, rotZ = 0;
        figurant::Matrix4 scene;
        auto pose = std::make_unique<figurant::PoseArray>();
        for (int s = 0; s < 16; s += 3)
            (*pose)[static_cast<std::size_t>(s)].m_pJointCentre = figurant::Point3d{0.1 * s, 0, 0};
        (*pose)[4].m_restRing = {{0, 0, 0}, {1, 0, 0}};
        figurant::AnimationScene target{rotX, rotZ, scene, *pose, 16};
        int frames = 0;
        figurant::PlayAnimation(path, target, {[&] { ++frames; }, [] { return true; }});
    }
    unlink(path);
    return 0;
}
