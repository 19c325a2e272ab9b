#include "SurfaceArrays.h"

#include "SegmentVertices.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace figurant {

namespace {
constexpr float kHuge = std::numeric_limits<float>::max();
constexpr std::size_t kFloatsPerVertex = SurfaceArrays::kFloatsPerVertex;

bool SamePoint(const Vec3f& a, const Vec3f& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
} // namespace

SurfaceArrayBuilder::SurfaceArrayBuilder(SurfaceArrays& target, std::size_t vertices, bool edges)
    : m_target(target), m_edges(edges), m_low{kHuge, kHuge, kHuge}, m_high{-kHuge, -kHuge, -kHuge},
      m_expected(vertices) {
    m_target = SurfaceArrays{};
    m_target.vertices.reserve(kFloatsPerVertex * vertices);
    if (m_edges) m_target.edges.reserve(vertices);
    m_target.indices.reserve(vertices);
}

std::size_t SurfaceArrayBuilder::VerticesFor(const Vec3f* points, std::size_t count, bool face) {
    if (!face) return count;
    std::size_t corners = count > 0 ? 1 : 0;
    for (std::size_t i = 1; i < count; ++i)
        corners += !SamePoint(points[i], points[i - 1]);
    return 3 * (corners > 2 ? corners - 2 : 0);
}

void SurfaceArrayBuilder::Append(const Corner& c, bool edge) {
    const Vec3f& p = c.point;
    const Vec3f& n = c.normal;
    m_target.vertices.insert(m_target.vertices.end(), {p.x, p.y, p.z, n.x, n.y, n.z});
    if (m_edges) m_target.edges.push_back(edge ? 1 : 0);
}

SurfaceArrayBuilder::VertexKey SurfaceArrayBuilder::KeyOf(std::size_t vertex) const {
    VertexKey key{};
    std::memcpy(key.data(), &m_target.vertices[kFloatsPerVertex * vertex], kFloatsPerVertex * sizeof(float));
    key[kFloatsPerVertex] = m_edges ? m_target.edges[vertex] : 0;
    return key;
}

void SurfaceArrayBuilder::MakeRoomForTriangle() {
    std::vector<IndexChunk>& chunks = m_target.chunks;
    const std::size_t first = chunks.empty() ? 0 : chunks.back().firstVertex;
    if (!chunks.empty() && m_target.VertexCount() - first + 3 <= SurfaceArrays::kChunkVertices) return;
    chunks.push_back({m_target.VertexCount(), m_target.indices.size(), 0});
    // Neighbouring faces share most corners: a table for half of them seldom grows.
    m_made = BitsTable<7>(std::min(m_expected, SurfaceArrays::kChunkVertices) / 2);
}

std::uint16_t SurfaceArrayBuilder::VertexFor(const Corner& c, bool edge) {
    VertexKey key{};
    static_assert(sizeof(Corner) == kFloatsPerVertex * sizeof(float));
    std::memcpy(key.data(), &c, sizeof c);
    key[kFloatsPerVertex] = m_edges && edge ? 1 : 0;
    const std::size_t first = m_target.chunks.back().firstVertex;
    const auto count = static_cast<std::uint32_t>(m_target.VertexCount() - first);
    const std::uint32_t v =
        m_made.FindOrAdd(key, count, [this, first](std::uint32_t i) { return KeyOf(first + i); });
    if (v == count) Append(c, edge);
    return static_cast<std::uint16_t>(v);
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
    std::vector<std::uint16_t>& indices = m_target.indices;
    for (std::size_t j = 1; j + 1 < n; ++j) {
        MakeRoomForTriangle();
        indices.push_back(VertexFor(m_corners[j], true));
        indices.push_back(VertexFor(m_corners[j + 1], j + 2 == n));
        indices.push_back(VertexFor(m_corners[0], j == 1));
        m_target.chunks.back().indexCount += 3;
        m_expected = m_expected > 3 ? m_expected - 3 : 0;
    }
}

void SurfaceArrayBuilder::Finish() {
    m_made = BitsTable<7>();
    for (const auto& line : m_lines) {
        m_target.lineStrips.push_back(
            {static_cast<int>(m_target.VertexCount()), static_cast<int>(line.size())});
        for (const Corner& c : line)
            Append(c, true);
    }
    const Point3d a = ToPoint3d(m_low), b = ToPoint3d(m_high);
    m_target.centre = 0.5 * (a + b);
    m_target.radius = m_low.x <= m_high.x ? 0.5 * std::sqrt(Dot(b - a, b - a)) : 0.0;
}

} // namespace figurant
