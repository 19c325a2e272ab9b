#pragma once
// The parts of the view's state that an animation file records and playback changes.
#include "FigureTree.h"

namespace figurant {

struct AnimationScene {
    int& sceneRotX;
    int& sceneRotZ;
    Matrix4& sceneMatrix;
    PoseArray& pose;
    int nSegments; // N: segment records per key frame
};

} // namespace figurant
