#include "SkeletonShape.h"

#include <algorithm>
#include <cmath>

namespace figurant {

namespace {

enum { kHead = 0, kChest = 1, kPelvis = 3, kUpperArm = 4, kThigh = 10 };

struct Tree {
    const BvhMotion& m;
    const std::vector<Point3d>& at;
    std::vector<std::vector<int>> children;

    Tree(const BvhMotion& motion, const std::vector<Point3d>& places) : m(motion), at(places) {
        children.resize(m.joints.size());
        for (std::size_t j = 0; j < m.joints.size(); ++j)
            if (m.joints[j].parent >= 0)
                children[static_cast<std::size_t>(m.joints[j].parent)].push_back(static_cast<int>(j));
    }
    // The joint in `from`'s subtree that scores highest (end sites included).
    template <typename Score> int Best(int from, Score score) const {
        int best = from;
        for (int child : children[static_cast<std::size_t>(from)]) {
            const int candidate = Best(child, score);
            if (score(candidate) > score(best)) best = candidate;
        }
        return best;
    }
    // The joints from `from` down to `to`, end sites left out.
    std::vector<int> Path(int from, int to) const {
        std::vector<int> path;
        for (int j = to; j >= 0; j = m.joints[static_cast<std::size_t>(j)].parent) {
            if (!m.joints[static_cast<std::size_t>(j)].endSite) path.insert(path.begin(), j);
            if (j == from) break;
        }
        return path;
    }
    double BoneLength(int joint) const {
        const int parent = m.joints[static_cast<std::size_t>(joint)].parent;
        if (parent < 0) return 0;
        const Point3d d = at[static_cast<std::size_t>(joint)] - at[static_cast<std::size_t>(parent)];
        return std::sqrt(Dot(d, d));
    }
};

// The upper and lower bones of a limb and its end: the two longest bones in a row along the chain
// (each bone ending at a joint, so the upper bone starts at chain[i]).
std::array<int, 3> LimbOf(const Tree& t, const std::vector<int>& chain) {
    std::array<int, 3> best{-1, -1, -1};
    double longest = 0;
    for (std::size_t i = 0; i + 2 < chain.size(); ++i) {
        const double length = t.BoneLength(chain[i + 1]) + t.BoneLength(chain[i + 2]);
        if (length > longest) longest = length, best = {chain[i], chain[i + 1], chain[i + 2]};
    }
    return best;
}

// The two branches below `joints` that score highest by `reach`, as (branch, its farthest joint).
template <typename Reach>
std::vector<std::pair<int, int>> TwoFarthest(const Tree& t, const std::vector<int>& branches, Reach reach) {
    std::vector<std::pair<int, int>> found;
    for (int b : branches)
        found.emplace_back(b, t.Best(b, reach));
    std::sort(found.begin(), found.end(),
              [&](const auto& a, const auto& b) { return reach(a.second) > reach(b.second); });
    if (found.size() > 2) found.resize(2);
    return found;
}

void PlaceLimbs(const Tree& t, const std::vector<std::pair<int, int>>& limbs, int firstSegment,
                std::array<int, 16>& bone) {
    if (limbs.size() != 2) return;
    for (const auto& [branch, end] : limbs) {
        const std::array<int, 3> limb = LimbOf(t, t.Path(branch, end));
        if (limb[0] < 0) continue;
        const int side = t.at[static_cast<std::size_t>(end)].x > t.at[0].x ? 1 : 0; // the left is odd
        for (int k = 0; k < 3; ++k)
            bone[static_cast<std::size_t>(firstSegment + 2 * k + side)] = limb[static_cast<std::size_t>(k)];
    }
}

} // namespace

std::array<int, 16> MatchByShape(const BvhMotion& m, const std::vector<Point3d>& restAt) {
    std::array<int, 16> bone;
    bone.fill(-1);
    if (m.joints.empty() || restAt.size() != m.joints.size()) return bone;
    const Tree t(m, restAt);
    // Down a chain of single children to where the body branches.
    int hub = 0;
    while (t.children[static_cast<std::size_t>(hub)].size() == 1)
        hub = t.children[static_cast<std::size_t>(hub)][0];
    bone[kPelvis] = 0;
    auto low = [&](int j) { return -t.at[static_cast<std::size_t>(j)].y; };
    auto high = [&](int j) { return t.at[static_cast<std::size_t>(j)].y; };
    const std::vector<int>& below = t.children[static_cast<std::size_t>(hub)];
    const auto legs = TwoFarthest(t, below, low);
    PlaceLimbs(t, legs, kThigh, bone);
    // The spine: the branch that reaches highest, legs aside.
    int spine = -1;
    for (int b : below)
        if (std::none_of(legs.begin(), legs.end(), [&](const auto& l) { return l.first == b; }) &&
            (spine < 0 || high(t.Best(b, high)) > high(t.Best(spine, high))))
            spine = b;
    if (spine < 0) return bone;
    const std::vector<int> column = t.Path(spine, t.Best(spine, high));
    if (column.empty()) return bone;
    bone[kHead] = column.back();
    // The arms branch off the spine, the two reaching furthest to the sides.
    std::vector<int> sideways;
    int shoulders = -1;
    for (int j : column)
        for (int c : t.children[static_cast<std::size_t>(j)])
            if (std::find(column.begin(), column.end(), c) == column.end() &&
                !m.joints[static_cast<std::size_t>(c)].endSite)
                sideways.push_back(c);
    auto wide = [&](int j) { return std::fabs(t.at[static_cast<std::size_t>(j)].x - t.at[0].x); };
    const auto arms = TwoFarthest(t, sideways, wide);
    PlaceLimbs(t, arms, kUpperArm, bone);
    if (!arms.empty()) shoulders = m.joints[static_cast<std::size_t>(arms[0].first)].parent;
    bone[kChest] = shoulders >= 0 ? shoulders : spine;
    return bone;
}

} // namespace figurant
