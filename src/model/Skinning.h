#pragma once
// Posing and skinning an imported character: joint transforms from turns in the joints' own rest
// frames, and the surface deformed by its weights, by linear blending of the bones' transforms or
// by blending them as dual quaternions (which keeps the volume of a twisted limb).
#include "Character.h"

#include <array>
#include <vector>

namespace figurant {

enum class SkinMethod { Linear, DualQuaternion };

// Each joint's world transform with `turns` (one per joint, or none for the rest pose) applied
// inside its rest transform: local = rest translation, rest rotation times the turn, rest scale,
// as a glTF node's rotation replaced by rest * turn.
std::vector<Affine> JointWorlds(const Character& character, const std::vector<Quaternion>& turns = {});

// How far each joint moved from rest: world(pose) * world(rest)^-1, from its world transforms.
std::vector<Affine> JointMoves(const Character& character, const std::vector<Affine>& worlds);

// The surface under the joints' moves (one per joint), placed by `frame` afterwards (a
// similarity: the view's axes and scale). Linear blending skins the bound positions as the file
// defines skinning; dual quaternions turn the rest positions by each vertex's blended rigid move.
// Normals turn with the surface and are of unit length.
void SkinSurface(const Character& character, const std::vector<Affine>& moves, SkinMethod method,
                 const Affine& frame, std::vector<Vec3f>& positions, std::vector<Vec3f>& normals);
// The same as position and normal side by side per vertex (x, y, z, nx, ny, nz), as a vertex
// buffer takes them.
void SkinSurface(const Character& character, const std::vector<Affine>& moves, SkinMethod method,
                 const Affine& frame, std::vector<float>& interleaved);

} // namespace figurant
