#include "CharacterReach.h"

#include "CharacterPose.h"
#include "LimbSolver.h"

#include <algorithm>
#include <cmath>

namespace figurant {

namespace {

constexpr int kHands[] = {8, 9};

bool UnderHand(const Character& c, int joint) {
    const CharacterJoint& j = c.joints[static_cast<std::size_t>(joint)];
    return std::find(std::begin(kHands), std::end(kHands), j.segment) != std::end(kHands) &&
           !HeadsSegment(c, joint);
}

// How far along the bone's own axis `axis` (its frame) the surface it holds most reaches.
double Reach(const Character& c, int joint, const Point3d& axis) {
    const Affine toJoint = c.joints[static_cast<std::size_t>(joint)].restWorld.Inverse();
    double farthest = 0;
    for (std::size_t v = 0; v < c.surface.binds.size(); ++v) {
        const auto& w = c.surface.weights[v];
        const std::size_t k = static_cast<std::size_t>(std::max_element(w.begin(), w.end()) - w.begin());
        const int b = c.surface.binds[v][k];
        if (b < 0 || c.binds[static_cast<std::size_t>(b)].joint != joint) continue;
        const Vec3f& p = c.surface.Rest()[v];
        farthest = std::max(farthest, Dot(toJoint({p.x, p.y, p.z}), axis));
    }
    return farthest;
}

} // namespace

std::vector<FingerChain> FingerChains(const Character& c) {
    const std::size_t n = c.joints.size();
    std::vector<int> boneChildren(n, 0), endNode(n, -1);
    for (std::size_t j = 0; j < n; ++j)
        if (const int p = c.joints[j].parent; p >= 0) {
            if (c.joints[j].bone)
                ++boneChildren[static_cast<std::size_t>(p)];
            else if (endNode[static_cast<std::size_t>(p)] < 0)
                endNode[static_cast<std::size_t>(p)] = static_cast<int>(j);
        }
    std::vector<FingerChain> chains;
    for (std::size_t j = 0; j < n; ++j) {
        if (!c.joints[j].bone || boneChildren[j] != 0 || !UnderHand(c, static_cast<int>(j))) continue;
        FingerChain chain;
        for (int b = static_cast<int>(j);
             b >= 0 && c.joints[static_cast<std::size_t>(b)].bone && UnderHand(c, b);
             b = c.joints[static_cast<std::size_t>(b)].parent)
            chain.bones.insert(chain.bones.begin(), b);
        if (const int end = endNode[j]; end >= 0) {
            chain.tipInLast = c.joints[static_cast<std::size_t>(end)].restLocal.t;
        } else {
            // Along the bone, the way it came from its parent.
            const int parent = c.joints[j].parent;
            const Point3d from =
                parent >= 0 ? c.joints[static_cast<std::size_t>(parent)].restWorld.t : Point3d{};
            const Affine toJoint = c.joints[j].restWorld.Inverse();
            const Point3d axis = Normalize(toJoint(c.joints[j].restWorld.t) - toJoint(from));
            chain.tipInLast = Reach(c, static_cast<int>(j), axis) * axis;
        }
        if (Dot(chain.tipInLast, chain.tipInLast) > 0) chains.push_back(std::move(chain));
    }
    return chains;
}

Point3d TipOf(const FingerChain& chain, const std::vector<Affine>& worlds) {
    return worlds[static_cast<std::size_t>(chain.bones.back())](chain.tipInLast);
}

// The joint's world is M x R(turn) x S with S its own scale: the new turn is
// turn x S (W^-1 worldTurn W) S^-1, W the world's linear part.
Quaternion TurnTurnedBy(const Character& c, const std::vector<Affine>& worlds, int joint,
                        const Quaternion& turn, const Affine& worldTurn) {
    const CharacterJoint& j = c.joints[static_cast<std::size_t>(joint)];
    const Affine w = worlds[static_cast<std::size_t>(joint)].RotationOnly();
    Affine scale;
    scale.r = {{{j.scale.x, 0, 0}, {0, j.scale.y, 0}, {0, 0, j.scale.z}}};
    const Affine inJoint = scale * w.Inverse() * worldTurn * w * scale.Inverse();
    return RotationQuaternion(QuaternionRotation(turn) * inJoint);
}

void ReachWithFinger(const Character& c, const std::vector<Affine>& segmentMoves,
                     std::vector<Quaternion>& turns, const FingerChain& chain, const Point3d& target) {
    // Rounds of turning each bone towards the target; a few bring a finger as near as it gets.
    constexpr int kRounds = 12;
    constexpr double kNearEnough = 1e-6;
    turns.resize(c.joints.size(), Quaternion{0, 0, 0, 1});
    for (int round = 0; round < kRounds; ++round) {
        for (auto b = chain.bones.rbegin(); b != chain.bones.rend(); ++b) {
            const std::vector<Affine> worlds = PosedJointWorlds(c, segmentMoves, turns);
            const Point3d tip = TipOf(chain, worlds), at = worlds[static_cast<std::size_t>(*b)].t;
            const auto i = static_cast<std::size_t>(*b);
            turns[i] = TurnTurnedBy(c, worlds, *b, turns[i], TurnBetween(tip - at, target - at, {0, 0, 1}));
        }
        const Point3d tip = TipOf(chain, PosedJointWorlds(c, segmentMoves, turns));
        if (Length(tip - target) < kNearEnough) break;
    }
}

} // namespace figurant
