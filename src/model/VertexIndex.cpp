#include "VertexIndex.h"

#include <algorithm>
#include <cmath>

namespace figurant {

namespace {
// Cells are much larger than the tolerance, so a query looks into a neighbouring cell only when
// the point lies within the tolerance of a cell wall.
constexpr double kCell = 1e-6;
// Beyond this, cell numbers would overflow; such points cannot be near a smaller one anyway.
constexpr double kLargest = 1e8;
} // namespace

void VertexIndex::Clear() {
    m_cells.clear();
    m_next.clear();
    m_outliers.clear();
}

bool VertexIndex::Cell(const Point3d& p, Key& key) {
    const double c[3] = {p.x, p.y, p.z};
    std::int64_t k[3];
    for (int a = 0; a < 3; ++a) {
        if (!(std::abs(c[a]) < kLargest)) return false;
        k[a] = static_cast<std::int64_t>(std::floor(c[a] / kCell));
    }
    key = {k[0], k[1], k[2]};
    return true;
}

void VertexIndex::Add(const Point3d& p, int id) {
    if (m_next.size() <= static_cast<std::size_t>(id)) m_next.resize(static_cast<std::size_t>(id) + 1, -1);
    Key key{};
    if (!Cell(p, key)) {
        m_outliers.push_back(id);
        return;
    }
    const auto [it, inserted] = m_cells.try_emplace(key, id);
    if (!inserted) {
        m_next[static_cast<std::size_t>(id)] = it->second;
        it->second = id;
    }
}

template <typename Visit> bool VertexIndex::VisitNear(const Point3d& p, Visit visit) const {
    Key key{};
    if (!Cell(p, key)) {
        for (int id : m_outliers)
            if (visit(id)) return true;
        return false;
    }
    // Per axis the cells within twice the tolerance of p (the margin covers rounding at the walls).
    const double c[3] = {p.x, p.y, p.z};
    const std::int64_t k[3] = {key.x, key.y, key.z};
    std::int64_t lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
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
