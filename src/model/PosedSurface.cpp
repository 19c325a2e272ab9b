#include "PosedSurface.h"

#include "FigureTree.h"
#include "SegmentVertices.h"

#include <algorithm>

namespace figurant {

namespace {

Point3d Turned(const Matrix4& m, const Point3d& d) {
    return {m[0] * d.x + m[4] * d.y + m[8] * d.z, m[1] * d.x + m[5] * d.y + m[9] * d.z,
            m[2] * d.x + m[6] * d.y + m[10] * d.z};
}

// The faces of one segment as fans, under its tree matrix.
void AddSegment(const Figure& figure, int segment, const Matrix4& world, std::vector<PosedTriangle>& out) {
    const SegmentShape& shape = figure.Shape(segment);
    const auto& turned = shape.twisted.normals;
    std::vector<std::pair<Point3d, Point3d>> corners;
    shape.ForEachRestLine([&](const CUnderlayPolyLine& line, std::int32_t id, std::size_t k) {
        corners.clear();
        for (const Vec3f& rest : line.Points()) {
            const Vec3f now = ViewPoint(figure.PointNow(segment, k, rest), figure.Scale(), figure.Centre());
            const Point3d normal = turned.empty()      ? ToPoint3d(figure.Normal(id))
                                   : k < turned.size() ? ToPoint3d(turned[k])
                                                       : Point3d{};
            corners.push_back({TransformPoint3(world, ToPoint3d(now)), Turned(world, normal)});
            ++k;
            ++id;
        }
        if (!line.m_bFace) return;
        for (std::size_t i = 1; i + 1 < corners.size(); ++i)
            out.push_back({{corners[0].first, corners[i].first, corners[i + 1].first},
                           {corners[0].second, corners[i].second, corners[i + 1].second},
                           segment});
    });
}

// The band between a joint's two rings, in the parent's frame (the child's ring already carries
// the child's own matrix).
void AddBand(const Figure& figure, const SegmentPose& r, const Matrix4& parentWorld,
             std::vector<PosedTriangle>& out) {
    const std::size_t n = std::min({r.m_childRing.size(), r.m_parentRing.size(), r.m_ringNormalIds.size()});
    std::vector<Point3d> q(n), p(n), a(n), b(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Point3d rest = ToPoint3d(figure.Normal(r.m_ringNormalIds[i]));
        q[i] = TransformPoint3(parentWorld, r.m_parentRing[i]);
        p[i] = TransformPoint3(parentWorld, r.m_childRing[i]);
        a[i] = Turned(parentWorld, rest);
        b[i] = Turned(parentWorld, Turned(r.m_matrix, rest));
    }
    for (std::size_t k = 1; k <= n && n > 1; ++k) {
        const std::size_t j = k - 1, i = k % n;
        out.push_back({{q[j], p[j], p[i]}, {a[j], b[j], b[i]}, r.m_nSegment});
        out.push_back({{q[j], p[i], q[i]}, {a[j], b[i], a[i]}, r.m_nSegment});
    }
}

} // namespace

std::vector<Matrix4> TreeMatrices(const Figure& figure) {
    std::vector<Matrix4> world(static_cast<std::size_t>(std::max(figure.SegmentCount(), 0)));
    for (const TreeNode& node : FigureTreeTable()) { // parents come first
        const auto s = static_cast<std::size_t>(node.segment);
        if (s >= world.size()) continue;
        Matrix4 m = node.parent >= 0 && static_cast<std::size_t>(node.parent) < world.size()
                        ? world[static_cast<std::size_t>(node.parent)]
                        : Matrix4{};
        MultMatrix(m, figure.Pose(node.segment).m_matrix);
        world[s] = m;
    }
    return world;
}

std::vector<PosedTriangle> PosedTriangles(const Figure& figure) {
    std::vector<PosedTriangle> out;
    if (!figure.IsBuilt()) return out;
    const std::vector<Matrix4> world = TreeMatrices(figure);
    for (const TreeNode& node : FigureTreeTable()) {
        if (node.segment >= figure.SegmentCount()) continue;
        const SegmentPose& r = figure.Pose(node.segment);
        if (r.m_pJointCentre && node.parent >= 0)
            AddBand(figure, r, world[static_cast<std::size_t>(node.parent)], out);
        AddSegment(figure, node.segment, world[static_cast<std::size_t>(node.segment)], out);
    }
    return out;
}

} // namespace figurant
