#pragma once
// Reading an animation file's key frames and increment blocks into a scene, number by number in
// file order, with the C++ stream rules. Playback and `figurant-inspect anim` share it, so both
// see a file alike: a number that cannot be read leaves the scene's value as it was.
#include "AnimationFormat.h"
#include "AnimationScene.h"

namespace figurant {

// The next key frame: scene turns, scene matrix and one matrix per segment (each segment's moved
// ring follows its matrix). True when it was read whole.
bool ReadKeyFrame(NumberReader& in, AnimationScene& scene);
// The next increment block into every segment's m_rotInc and m_transInc. True when whole.
bool ReadIncrements(NumberReader& in, AnimationScene& scene);

} // namespace figurant
