#pragma once
// Playback of an animation file: every key frame is shown as stored, and between two key frames
// the figure moves in ten equal steps by the increments stored before the second one.
#include "AnimationScene.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace figurant {

struct PlaybackHooks {
    std::function<void()> showFrame;   // draws the scene; returns when it is on screen
    std::function<bool()> keepPlaying; // false stops playback before the next key frame
};

enum class PlaybackEnd {
    NotOpened, // the file could not be opened: nothing changed
    Stopped,   // stopped at a key frame by request
    Finished,  // reached the end of the file (the animation is available)
};

// What playback found wrong with the file, for telling the user; empty when nothing.
struct PlaybackReport {
    std::string problem;        // "not a regular file", "the file ends inside a key frame at line 12", ...
    int keyFrames = 0;          // key frames read whole
    double framesPerSecond = 0; // a motion-capture file's own rate; 0 for the program's key frames
};

// One of the ten steps between two key frames for one segment's matrix: a tenth of the move,
// then a tenth of each turn about the joint centre in x, y, z order, in the segment's own frame.
void StepMatrix(Matrix4& M, const std::array<float, 3>& rotInc, const std::array<float, 3>& transInc,
                const std::optional<Point3d>& centre);

PlaybackEnd PlayAnimation(const std::string& path, AnimationScene& scene, const PlaybackHooks& hooks,
                          PlaybackReport* report = nullptr);
// The same from the file's text.
PlaybackEnd PlayAnimationText(std::string text, AnimationScene& scene, const PlaybackHooks& hooks,
                              PlaybackReport* report = nullptr);

} // namespace figurant
