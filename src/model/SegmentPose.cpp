#include "SegmentPose.h"

#include <algorithm>
#include <cmath>

namespace figurant {

namespace {

// A ring point with its angular key about the joint centre.
struct RingPoint {
    Point3d point;
    int normalId;
    double key;
};

double RingKey(const Point3d& point, const Point3d& reference, const Point3d& centre, const Point3d& normal) {
    const Point3d d = point - centre;
    const Point3d p = d - Dot(d, normal) * normal;
    const Point3d e1 = Normalize(reference - centre);
    const Point3d e2 = Normalize(Cross(normal, e1));
    const double u = Dot(p, e1), v = Dot(p, e2);
    // This shorter pi shifts every key alike; the ring order (and the joint bands) depend on the
    // keys as computed with it.
    constexpr double kRingKeyPi = 3.14159265;
    return std::atan2(v, u) + kRingKeyPi;
}

} // namespace

bool SegmentPose::IsOnRestRing(const Point3d& p) const {
    return std::any_of(m_restRing.begin(), m_restRing.end(),
                       [&](const Point3d& q) { return VertexIndex::Same(p, q); });
}

void SegmentPose::AddVertexIfNew(const Point3d& p, int normalId) {
    if (HasVertex(p)) return;
    m_vertexIndex.Add(p, static_cast<int>(m_vertices.size()));
    m_vertices.push_back(p);
    m_vertexNormalIds.push_back(normalId);
}

void SegmentPose::ClearVertices() {
    m_vertices.clear();
    m_vertexIndex.Clear();
    m_vertexNormalIds.clear();
}

void SegmentPose::SortJointRing() {
    if (m_childRing.empty() || !m_pJointCentre) return;
    const Point3d J = *m_pJointCentre;
    const Point3d R = m_childRing[0];
    Point3d n{};
    if (m_childRing.size() >= 2) n = Normalize(Cross(m_childRing[1] - J, R - J));
    std::vector<RingPoint> points;
    for (std::size_t k = 0; k < m_childRing.size(); ++k) {
        const int id = k < m_ringNormalIds.size() ? m_ringNormalIds[k] : -1;
        points.push_back({m_childRing[k], id, RingKey(m_childRing[k], R, J, n)});
    }
    if (points.size() >= 2)
        std::stable_sort(points.begin(), points.end(),
                         [](const RingPoint& a, const RingPoint& b) { return a.key < b.key; });
    m_childRing.clear();
    m_parentRing.clear();
    m_restRing.clear();
    m_ringNormalIds.clear();
    for (const RingPoint& p : points) {
        m_childRing.push_back(p.point);
        m_parentRing.push_back(p.point);
        m_restRing.push_back(p.point);
        m_ringNormalIds.push_back(p.normalId);
    }
}

void SegmentPose::UpdateChildRing() {
    m_childRing.clear();
    for (const Point3d& q : m_restRing)
        m_childRing.push_back(TransformPoint3(m_matrix, q));
}

} // namespace figurant
