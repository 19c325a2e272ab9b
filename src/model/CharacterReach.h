#pragma once
// Pulling the tip of a finger (or any chain of bones that ends under a hand) on an imported
// character: the chains, where their tips are, and the turns that bring a tip to a target.
#include "Character.h"

#include <vector>

namespace figurant {

struct FingerChain {
    std::vector<int> bones; // from the first bone under the hand to the last, each turned
    Point3d tipInLast;      // the tip in the last bone's own frame (the character's units)
};

// Every chain of bones that hangs from a hand and ends without further bones. The tip is the
// node after the last bone when the file has one, else as far along the last bone as the surface
// it holds reaches.
std::vector<FingerChain> FingerChains(const Character& character);

// Where the tip is for the joints' worlds (the character's frame).
Point3d TipOf(const FingerChain& chain, const std::vector<Affine>& worlds);

// The joint's turn that turns its world by `worldTurn` (a rotation in the character's frame)
// from where `worlds` have it with the turn `turn`.
Quaternion TurnTurnedBy(const Character& character, const std::vector<Affine>& worlds, int joint,
                        const Quaternion& turn, const Affine& worldTurn);

// Turns the chain's bones (one after the other from the tip's end, a few rounds) so that the tip
// comes as near the target as the chain reaches. `segmentMoves` and `target` are in the
// character's frame, as PosedJointWorlds takes them; `turns` holds every joint's turn.
void ReachWithFinger(const Character& character, const std::vector<Affine>& segmentMoves,
                     std::vector<Quaternion>& turns, const FingerChain& chain, const Point3d& target);

} // namespace figurant
