#include "FigureTree.h"

#include <algorithm>

namespace figurant {

const std::vector<TreeNode>& FigureTreeTable() {
    static const std::vector<TreeNode> table{
        {1, -1, {0, 3, 4, 5}}, {0, 1, {}},     {3, 1, {10, 11}}, {4, 1, {6}},   {6, 4, {8}},    {8, 6, {}},
        {5, 1, {7}},           {7, 5, {9}},    {9, 7, {}},       {10, 3, {12}}, {12, 10, {14}}, {14, 12, {}},
        {11, 3, {13}},         {13, 11, {15}}, {15, 13, {}},
    };
    return table;
}

namespace {

void LinkTree(PoseArray& pose) {
    for (SegmentPose& p : pose) {
        p.m_pParent = nullptr;
        p.m_pChildren.clear();
        p.m_nChildren = 0;
    }
    for (const TreeNode& node : FigureTreeTable()) {
        SegmentPose& p = pose[static_cast<std::size_t>(node.segment)];
        p.m_nSegment = node.segment;
        p.m_pParent = node.parent >= 0 ? &pose[static_cast<std::size_t>(node.parent)] : nullptr;
        for (int c : node.children)
            p.m_pChildren.push_back(&pose[static_cast<std::size_t>(c)]);
        p.m_nChildren = static_cast<int>(node.children.size());
    }
}

// The parent's vertices that coincide with the record's own vertices, in detection order.
void DetectJointRing(SegmentPose& p) {
    const SegmentPose& parent = *p.m_pParent;
    Point3d sum{};
    for (std::size_t j = 0; j < p.m_vertices.size(); ++j) {
        for (int k : parent.m_vertexIndex.Matches(p.m_vertices[j], parent.m_vertices)) {
            const Point3d& q = parent.m_vertices[static_cast<std::size_t>(k)];
            p.m_parentRing.push_back(q);
            p.m_childRing.push_back(q);
            p.m_ringNormalIds.push_back(p.m_vertexNormalIds[j]);
            sum = sum + q;
        }
    }
    if (p.m_childRing.empty()) return;
    const auto n = static_cast<double>(p.m_childRing.size());
    p.m_pJointCentre = Point3d{sum.x / n, sum.y / n, sum.z / n};
}

} // namespace

void BuildFigureTree(PoseArray& pose, int nSegments) {
    const int n = std::min(nSegments, kMaxSegments);
    for (int i = 0; i < n; ++i)
        pose[static_cast<std::size_t>(i)].m_matrix = Matrix4::Identity();
    LinkTree(pose);
    for (int i = 0; i < n; ++i) {
        SegmentPose& p = pose[static_cast<std::size_t>(i)];
        p.m_parentRing.clear();
        p.m_childRing.clear();
        p.m_restRing.clear();
        p.m_ringNormalIds.clear();
        p.m_pJointCentre.reset();
        // The root has no joint, and segment 2 belongs to no tree.
        if (i == kRootSegment || i == kDetachedSegment || !p.m_pParent) continue;
        DetectJointRing(p);
        p.SortJointRing();
    }
}

} // namespace figurant
