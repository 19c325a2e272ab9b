#pragma once
// An animation file's key frames held whole, for editing: read from the file, changed (a key frame
// inserted, replaced or deleted), and written back in the same format. The increments between two
// key frames are worked out again from the two, for the figure they are played on, so that the
// ten steps of playback lead from one exactly to the other.
#include "Figure.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace figurant {

struct KeyFrame {
    int sceneRotX = 0, sceneRotZ = 0;
    Matrix4 sceneMatrix;
    std::vector<Matrix4> matrices; // one per segment
    // The increments that lead to this key frame from the one before: per segment, turns (x, y, z
    // degrees) then moves (x, y, z); empty for the first.
    std::vector<std::array<float, 6>> increments;
};

struct KeyFrameSet {
    int nSegments = 0;
    std::vector<KeyFrame> keys;
};

// The key frames of a file of nSegments records; nothing when it is not whole key frames.
std::optional<KeyFrameSet> ParseKeyFrames(const std::string& text, int nSegments, std::string* error);
std::string FormatKeyFrames(const KeyFrameSet& set);

// The increments that take `from` to `to` in the player's ten steps on this figure.
std::vector<std::array<float, 6>> IncrementsBetween(const KeyFrame& from, const KeyFrame& to,
                                                    const Figure& figure);

// Edits: each leaves the increments on both sides of the change worked out again.
void InsertKeyFrame(KeyFrameSet& set, std::size_t at, KeyFrame key, const Figure& figure);
void ReplaceKeyFrame(KeyFrameSet& set, std::size_t at, KeyFrame key, const Figure& figure);
void DeleteKeyFrame(KeyFrameSet& set, std::size_t at, const Figure& figure);

// The figure's current pose and the camera as a key frame.
KeyFrame CurrentKeyFrame(const Figure& figure, int sceneRotX, int sceneRotZ, const Matrix4& sceneMatrix);

} // namespace figurant
