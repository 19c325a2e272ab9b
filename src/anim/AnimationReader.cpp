#include "AnimationReader.h"

namespace figurant {

bool ReadKeyFrame(NumberReader& in, AnimationScene& scene) {
    in.Read(scene.sceneRotX);
    in.Read(scene.sceneRotZ);
    for (float& v : scene.sceneMatrix.m)
        in.Read(v);
    for (int i = 0; i < scene.nSegments; ++i) {
        SegmentPose& p = scene.pose[static_cast<std::size_t>(i)];
        for (float& v : p.m_matrix.m)
            in.Read(v);
        p.UpdateChildRing();
    }
    return in.Good();
}

bool ReadIncrements(NumberReader& in, AnimationScene& scene) {
    for (int i = 0; i < scene.nSegments; ++i) {
        SegmentPose& p = scene.pose[static_cast<std::size_t>(i)];
        for (float& v : p.m_rotInc)
            in.Read(v);
        for (float& v : p.m_transInc)
            in.Read(v);
    }
    return in.Good();
}

} // namespace figurant
