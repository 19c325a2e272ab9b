#pragma once
// The view's record of one body segment: its local transform, its place in the figure tree, its
// distinct vertices and its joint ring with the parent. All geometry is in view coordinates.
#include "GeomMath.h"
#include "VertexIndex.h"

#include <array>
#include <optional>
#include <vector>

namespace figurant {

struct SegmentPose {
    SegmentPose() = default;
    SegmentPose(const SegmentPose&) = delete;
    SegmentPose& operator=(const SegmentPose&) = delete;

    // Same within 1e-10 on every axis as a point of m_vertices, while the index is kept: from
    // ClearVertices until ReleaseVertexIndex.
    bool HasVertex(const Point3d& p) const { return m_vertexIndex.Contains(p, m_vertices); }
    bool IsOnRestRing(const Point3d& p) const;
    // Appends p to m_vertices (with its global vertex number) unless HasVertex finds it.
    void AddVertexIfNew(const Point3d& p, int normalId);
    void ClearVertices();
    // The index behind HasVertex serves building the vertex list; on a large figure it holds as
    // much memory as the list's points, so it is let go once the list is made.
    void ReleaseVertexIndex() { m_vertexIndex = VertexIndex{}; }
    // Puts the joint ring into angular order about the joint centre (all three ring lists).
    void SortJointRing();
    // m_childRing = m_restRing transformed by m_matrix.
    void UpdateChildRing();

    // Local transform relative to the parent; the identity is the rest pose.
    Matrix4 m_matrix;
    int m_nSegment = 0;
    int m_nChildren = 0;
    // Mean of the joint ring at rest; none for the root, segment 2 and segments without a ring.
    std::optional<Point3d> m_pJointCentre;
    // The distinct vertices, in order of first use: while the figure is built, and while the
    // segment is twisted (Figure::Vertices gives them at any time).
    std::vector<Point3d> m_vertices;
    std::vector<Point3d> m_parentRing, m_childRing, m_restRing;
    // Parallel to m_vertices (while the figure is built) and to the ring lists: global vertex
    // numbers (normals indices).
    std::vector<int> m_vertexNormalIds, m_ringNormalIds;
    // Degrees about x, y, z and translation along x, y, z accumulated by the pose keys.
    std::array<float, 3> m_rotInc{}, m_transInc{};
    // Figure tree links into the view's fixed array of records (not owned).
    SegmentPose* m_pParent = nullptr;
    std::vector<SegmentPose*> m_pChildren;
    // Index over m_vertices for HasVertex and the ring search, while the vertex list is made.
    VertexIndex m_vertexIndex;
};

} // namespace figurant
