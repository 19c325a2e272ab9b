#pragma once
// The fixed figure tree of sixteen body segments and the builder that links the view's pose
// records into it and finds every joint ring, joint centre and ring order.
#include "SegmentPose.h"

#include <array>
#include <vector>

namespace figurant {

constexpr int kMaxSegments = 40;
constexpr int kRootSegment = 1;     // the chest
constexpr int kDetachedSegment = 2; // no body part: not in the tree
using PoseArray = std::array<SegmentPose, kMaxSegments>;

struct TreeNode {
    int segment;
    int parent; // -1 for the root
    std::vector<int> children;
};

// Segment 1 (chest) is the root; segment 2 belongs to no tree.
const std::vector<TreeNode>& FigureTreeTable();

// Resets the matrices of the first nSegments records, links the tree and detects every joint
// ring from the records' m_vertices (filled beforehand).
void BuildFigureTree(PoseArray& pose, int nSegments);

} // namespace figurant
