#include "ExportSkeleton.h"

#include "SegmentNames.h"

#include <algorithm>

namespace figurant {

namespace {

Point3d Middle(const std::vector<Point3d>& points) {
    Point3d sum{};
    for (const Point3d& p : points)
        sum = sum + p;
    return points.empty() ? sum : (1.0 / static_cast<double>(points.size())) * sum;
}

std::string JointName(int segment) {
    std::string name = SegmentName(segment);
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    return name;
}

} // namespace

std::vector<ExportJoint> ExportSkeleton(const Figure& figure) {
    std::vector<ExportJoint> joints;
    std::vector<int> indexOf(kMaxSegments, -1);
    // Each segment's vertices, worked out once.
    std::vector<std::vector<Point3d>> vertices(kMaxSegments);
    for (int s = 0; s < figure.SegmentCount() && s < kMaxSegments; ++s)
        vertices[static_cast<std::size_t>(s)] = figure.Vertices(s);
    auto present = [&](int s) {
        return s >= 0 && s < figure.SegmentCount() && s < kMaxSegments &&
               !vertices[static_cast<std::size_t>(s)].empty();
    };
    for (const TreeNode& node : FigureTreeTable()) {
        if (!present(node.segment)) continue;
        const SegmentPose& p = figure.Pose(node.segment);
        const std::vector<Point3d>& own = vertices[static_cast<std::size_t>(node.segment)];
        ExportJoint j;
        j.segment = node.segment;
        j.name = JointName(node.segment);
        j.parent = node.parent >= 0 ? indexOf[static_cast<std::size_t>(node.parent)] : -1;
        // A segment whose parent is missing hangs from the root.
        if (j.parent < 0 && !joints.empty()) j.parent = 0;
        if (p.m_pJointCentre) {
            j.rest = *p.m_pJointCentre;
        } else if (node.parent < 0) {
            // The root sits at the waist, where the pelvis meets it, or in its middle.
            const auto& children = node.children;
            const auto pelvis = std::find(children.begin(), children.end(), 3);
            const bool waist = pelvis != children.end() && present(3) && figure.Pose(3).m_pJointCentre;
            j.rest = waist ? *figure.Pose(3).m_pJointCentre : Middle(own);
        } else {
            j.rest = Middle(own);
        }
        const bool leaf = std::none_of(node.children.begin(), node.children.end(), present);
        if (leaf) j.endSite = 2.0 * Middle(own) - j.rest;
        indexOf[static_cast<std::size_t>(node.segment)] = static_cast<int>(joints.size());
        joints.push_back(j);
    }
    return joints;
}

} // namespace figurant
