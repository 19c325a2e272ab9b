#include "SurfaceArrays.h"

#include "SegmentVertices.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace figurant {

namespace {
constexpr float kHuge = std::numeric_limits<float>::max();
// The vertex table is kept at most half full.
constexpr std::size_t kSlotsPerVertex = 2;
constexpr std::size_t kFloatsPerVertex = 6;

bool SamePoint(const Vec3f& a, const Vec3f& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// The six floats of a vertex and its edge flag, by their bits.
std::uint64_t VertexHash(const float* vertex, bool edge) {
    std::uint32_t words[kFloatsPerVertex];
    std::memcpy(words, vertex, sizeof words);
    std::uint64_t h = edge ? 0x51ED27u : 0u;
    for (const std::uint32_t w : words)
        h = (h ^ w) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
}

std::size_t SlotsFor(std::size_t vertices) {
    std::size_t slots = 16;
    while (slots < kSlotsPerVertex * vertices)
        slots *= 2;
    return slots;
}
} // namespace

SurfaceArrayBuilder::SurfaceArrayBuilder(SurfaceArrays& target, std::size_t vertices)
    : m_target(target), m_low{kHuge, kHuge, kHuge}, m_high{-kHuge, -kHuge, -kHuge} {
    m_target = SurfaceArrays{};
    m_target.vertices.reserve(kFloatsPerVertex * vertices);
    m_target.edges.reserve(vertices);
    m_target.indices.reserve(vertices);
    m_slots.assign(SlotsFor(vertices), 0);
}

std::size_t SurfaceArrayBuilder::VerticesFor(const Vec3f* points, std::size_t count, bool face) {
    if (!face) return count;
    std::size_t corners = count > 0 ? 1 : 0;
    for (std::size_t i = 1; i < count; ++i)
        corners += !SamePoint(points[i], points[i - 1]);
    return 3 * (corners > 2 ? corners - 2 : 0);
}

std::uint32_t SurfaceArrayBuilder::Append(const Corner& c, bool edge) {
    const Vec3f& p = c.point;
    const Vec3f& n = c.normal;
    m_target.vertices.insert(m_target.vertices.end(), {p.x, p.y, p.z, n.x, n.y, n.z});
    m_target.edges.push_back(edge ? 1 : 0);
    return static_cast<std::uint32_t>(m_target.edges.size() - 1);
}

void SurfaceArrayBuilder::Rehash(std::size_t slots) {
    m_slots.assign(slots, 0);
    const std::size_t mask = slots - 1;
    for (std::size_t v = 0; v < m_target.edges.size(); ++v) {
        std::size_t slot =
            VertexHash(&m_target.vertices[kFloatsPerVertex * v], m_target.edges[v] != 0) & mask;
        while (m_slots[slot] != 0)
            slot = (slot + 1) & mask;
        m_slots[slot] = static_cast<std::uint32_t>(v + 1);
    }
}

std::uint32_t SurfaceArrayBuilder::VertexFor(const Corner& c, bool edge) {
    if (kSlotsPerVertex * (m_target.edges.size() + 1) > m_slots.size()) Rehash(2 * m_slots.size());
    float key[kFloatsPerVertex];
    std::memcpy(key, &c, sizeof key);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = VertexHash(key, edge) & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t found = m_slots[slot];
        if (found == 0) {
            const std::uint32_t v = Append(c, edge);
            m_slots[slot] = v + 1;
            return v;
        }
        const std::size_t v = found - 1;
        if ((m_target.edges[v] != 0) == edge &&
            std::memcmp(&m_target.vertices[kFloatsPerVertex * v], key, sizeof key) == 0)
            return static_cast<std::uint32_t>(v);
    }
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
    std::vector<std::uint32_t>& indices = m_target.indices;
    for (std::size_t j = 1; j + 1 < n; ++j) {
        indices.push_back(VertexFor(m_corners[j], true));
        indices.push_back(VertexFor(m_corners[j + 1], j + 2 == n));
        indices.push_back(VertexFor(m_corners[0], j == 1));
    }
}

void SurfaceArrayBuilder::Finish() {
    std::vector<std::uint32_t>().swap(m_slots);
    for (const auto& line : m_lines) {
        m_target.lineStrips.push_back(
            {static_cast<int>(m_target.edges.size()), static_cast<int>(line.size())});
        for (const Corner& c : line)
            Append(c, true);
    }
    const Point3d a = ToPoint3d(m_low), b = ToPoint3d(m_high);
    m_target.centre = 0.5 * (a + b);
    m_target.radius = m_low.x <= m_high.x ? 0.5 * std::sqrt(Dot(b - a, b - a)) : 0.0;
}

} // namespace figurant
