#pragma once
// An imported character as a binary glTF file, as it came in: its own mesh with its shared
// vertices, texture coordinates, materials and pictures, its own skeleton under its bone names,
// its own skin weights, its pose, and an animation when there are frames.
#include "Character.h"
#include "PoseFrames.h"

#include <cstddef>
#include <string>
#include <vector>

namespace figurant {

// glTF names a vertex's joints with 16-bit numbers.
constexpr std::size_t kMostGltfJoints = 65536;

struct CharacterMotion {
    // Each frame's joint world transforms (one per joint of the character, in its frame).
    std::vector<std::vector<Affine>> frames;
    double framesPerSecond = 30;
};

// `pose` holds the joints' world transforms shown now. The rest pose is the bind pose of the
// file written. Empty when the skeleton has more bones than glTF's joint numbers can name.
std::string FormatCharacterGlb(const Character& character, const std::vector<Affine>& pose,
                               const CharacterMotion& motion);

// The joints' world transforms in each frame of the figure's poses: the segments' transforms
// taken into the character's frame (which `frame` takes to the view's), and the bones' own turns.
std::vector<std::vector<Affine>> CharacterFrames(const Character& character,
                                                 const std::vector<PoseFrame>& frames, const Affine& frame,
                                                 const std::vector<Quaternion>& turns);

} // namespace figurant
