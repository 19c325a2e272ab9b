#pragma once
// The figure's poses as the exporters take them: every segment's matrix, frame by frame.
#include "AnimationPlayer.h"
#include "ExportMath.h"
#include "Figure.h"

#include <optional>
#include <string>
#include <vector>

namespace figurant {

// Each segment's local matrix (relative to its parent) in one shown frame.
using PoseFrame = std::vector<Matrix4>;

PoseFrame CurrentFrame(const Figure& figure);
// Puts the frame's matrices into the figure's records (outside the undo history).
void ApplyFrame(Figure& figure, const PoseFrame& frame);

// Plays the animation on the figure and keeps every frame playback shows (each key frame and the
// ten steps between two; every frame of a motion-capture file, carried onto the figure, whose
// rate and what could not be matched go into the report); the figure's pose is put back afterwards. Nothing
// when the file cannot be opened, with the reason in `error`; a file cut short gives the frames before the
// cut.
// `plantFeet` as for a motion capture's playback.
std::optional<std::vector<PoseFrame>> PlaybackFrames(Figure& figure, const std::string& path,
                                                     std::string* error, PlaybackReport* report = nullptr,
                                                     bool plantFeet = true);

// Each segment's transform of rest points to posed points (the product of the matrices down the
// tree) in one frame, in double precision; segments outside the tree keep their own matrix.
std::vector<Affine> WorldTransforms(const PoseFrame& frame);

} // namespace figurant
