#include "SurfaceArrays.h"

#include "SegmentVertices.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace figurant {

namespace {
constexpr float kHuge = std::numeric_limits<float>::max();

bool SamePoint(const Vec3f& a, const Vec3f& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
} // namespace

SurfaceArrayBuilder::SurfaceArrayBuilder(SegmentList& target, int segment, std::size_t vertices)
    : m_target(target), m_low{kHuge, kHuge, kHuge}, m_high{-kHuge, -kHuge, -kHuge} {
    m_target = SegmentList{};
    m_target.segment = segment;
    m_target.vertices.reserve(6 * vertices);
    m_target.edges.reserve(vertices);
}

std::size_t SurfaceArrayBuilder::VerticesFor(const Vec3f* points, std::size_t count, bool face) {
    if (!face) return count;
    std::size_t corners = count > 0 ? 1 : 0;
    for (std::size_t i = 1; i < count; ++i)
        corners += !SamePoint(points[i], points[i - 1]);
    return 3 * (corners > 2 ? corners - 2 : 0);
}

void SurfaceArrayBuilder::Add(const Corner& c, bool edge) {
    const Vec3f& p = c.point;
    const Vec3f& n = c.normal;
    m_target.vertices.insert(m_target.vertices.end(), {p.x, p.y, p.z, n.x, n.y, n.z});
    m_target.edges.push_back(edge ? 1 : 0);
}

void SurfaceArrayBuilder::BeginLine(bool face) {
    m_face = face;
    m_corners.clear();
}

void SurfaceArrayBuilder::AddCorner(const Vec3f& v, const Vec3f& normal) {
    m_low = {std::min(m_low.x, v.x), std::min(m_low.y, v.y), std::min(m_low.z, v.z)};
    m_high = {std::max(m_high.x, v.x), std::max(m_high.y, v.y), std::max(m_high.z, v.z)};
    const bool repeated = !m_corners.empty() && SamePoint(m_corners.back().point, v);
    if (!m_face || !repeated) m_corners.push_back({v, normal});
}

void SurfaceArrayBuilder::EndLine() {
    if (!m_face) {
        m_lines.push_back(m_corners);
        return;
    }
    const std::size_t n = m_corners.size();
    for (std::size_t j = 1; j + 1 < n; ++j) {
        Add(m_corners[j], true);
        Add(m_corners[j + 1], j + 2 == n);
        Add(m_corners[0], j == 1);
    }
}

void SurfaceArrayBuilder::Finish() {
    m_target.triangleVertices = static_cast<int>(m_target.edges.size());
    for (const auto& line : m_lines) {
        m_target.lineStrips.push_back(
            {static_cast<int>(m_target.edges.size()), static_cast<int>(line.size())});
        for (const Corner& c : line)
            Add(c, true);
    }
    m_target.built = true;
    const Point3d a = ToPoint3d(m_low), b = ToPoint3d(m_high);
    m_target.centre = 0.5 * (a + b);
    m_target.radius = m_low.x <= m_high.x ? 0.5 * std::sqrt(Dot(b - a, b - a)) : 0.0;
}

} // namespace figurant
