#pragma once
// An imported character posed by the figure: its bones as the figure turns them, and each joint's
// world transform from the figure's segments and the bones' own turns.
#include "Character.h"
#include "Figure.h"
#include "PosedSurface.h"

#include <vector>

namespace figurant {

// Whether a bone heads its body segment: the first bone of the segment down the skeleton.
bool HeadsSegment(const Character& character, int joint);

// The figure's bones for the character, whose frame `frame` takes to the view's coordinates (a
// similarity): the segment each heads, its partner on the other side by name, its rest axes as
// seen from the view, and the way along it.
std::vector<FigureBone> FigureBonesOf(const Character& character, const Affine& frame);

// Each joint's world transform in the character's frame. `segmentWorlds` are the segments' moves
// from rest in that frame (by segment number; identity beyond them); a bone that heads a segment
// takes its segment's turn relative to the segment above it, so turns of the bones in between
// (a bent spine) carry everything under them.
std::vector<Affine> PosedJointWorlds(const Character& character, const std::vector<Affine>& segmentWorlds,
                                     const std::vector<Quaternion>& turns);

// The character's skinned surface (position and normal per vertex side by side, as SkinSurface
// lays them out) as triangles, each in the segment of the bone that holds it most: what the
// pictures made without OpenGL draw of a character.
std::vector<PosedTriangle> SkinnedTriangles(const Character& character, const std::vector<float>& skinned);

// Segment transforms of view coordinates (each segment's world, as the figure tree composes them)
// as transforms of the character's frame, which `frame` takes to the view's.
std::vector<Affine> InCharacterFrame(const std::vector<Affine>& segmentWorlds, const Affine& frame);

} // namespace figurant
