#include "VertexIndex.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace figurant {

namespace {
// Cells are much larger than the tolerance, so a query looks into a neighbouring cell only when
// the point lies within the tolerance of a cell wall.
constexpr double kCell = 1e-6;
// From this size on, doubles lie further apart than the tolerance, so two coordinates are the
// same only when equal: the value itself is the key, and no neighbour needs looking at. (Below,
// cell numbers would not overflow.)
constexpr double kLargest = 1e8;

bool IsLarge(double c) {
    return !(std::abs(c) < kLargest);
}

// A key for a large (or infinite) coordinate, outside the range of cell numbers.
std::int64_t LargeKey(double c) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &c, sizeof bits);
    return static_cast<std::int64_t>((bits >> 4) | (std::uint64_t{1} << 62));
}

} // namespace

void VertexIndex::Clear() {
    m_cells.clear();
    m_next.clear();
}

bool VertexIndex::Cell(const Point3d& p, Key& key) {
    const double c[3] = {p.x, p.y, p.z};
    std::int64_t k[3];
    for (int a = 0; a < 3; ++a) {
        if (std::isnan(c[a])) return false;
        k[a] = IsLarge(c[a]) ? LargeKey(c[a]) : static_cast<std::int64_t>(std::floor(c[a] / kCell));
    }
    key = {k[0], k[1], k[2]};
    return true;
}

void VertexIndex::Add(const Point3d& p, int id) {
    if (m_next.size() <= static_cast<std::size_t>(id)) m_next.resize(static_cast<std::size_t>(id) + 1, -1);
    Key key{};
    if (!Cell(p, key)) return; // a point with a NaN is the same as no point, itself included
    const auto [it, inserted] = m_cells.try_emplace(key, id);
    if (!inserted) {
        m_next[static_cast<std::size_t>(id)] = it->second;
        it->second = id;
    }
}

template <typename Visit> bool VertexIndex::VisitNear(const Point3d& p, Visit visit) const {
    Key key{};
    if (!Cell(p, key)) return false;
    // Per axis the cells within twice the tolerance of p (the margin covers rounding at the walls).
    const double c[3] = {p.x, p.y, p.z};
    const std::int64_t k[3] = {key.x, key.y, key.z};
    std::int64_t lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
        if (IsLarge(c[a])) {
            lo[a] = hi[a] = k[a];
            continue;
        }
        lo[a] = static_cast<std::int64_t>(std::floor((c[a] - 2 * kTolerance) / kCell));
        hi[a] = static_cast<std::int64_t>(std::floor((c[a] + 2 * kTolerance) / kCell));
        lo[a] = std::min(lo[a], k[a]);
        hi[a] = std::max(hi[a], k[a]);
    }
    for (std::int64_t x = lo[0]; x <= hi[0]; ++x)
        for (std::int64_t y = lo[1]; y <= hi[1]; ++y)
            for (std::int64_t z = lo[2]; z <= hi[2]; ++z) {
                const auto it = m_cells.find({x, y, z});
                if (it == m_cells.end()) continue;
                for (int id = it->second; id >= 0; id = m_next[static_cast<std::size_t>(id)])
                    if (visit(id)) return true;
            }
    return false;
}

std::vector<int> VertexIndex::Matches(const Point3d& p, const std::vector<Point3d>& points) const {
    std::vector<int> ids;
    VisitNear(p, [&](int id) {
        if (Same(points[static_cast<std::size_t>(id)], p)) ids.push_back(id);
        return false;
    });
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool VertexIndex::Contains(const Point3d& p, const std::vector<Point3d>& points) const {
    return VisitNear(p, [&](int id) { return Same(points[static_cast<std::size_t>(id)], p); });
}

} // namespace figurant
