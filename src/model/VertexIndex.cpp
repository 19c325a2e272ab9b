#include "VertexIndex.h"

#include <algorithm>
#include <cmath>

namespace figurant {

namespace {
// Beyond this, cell numbers would overflow; such points cannot be near a smaller one anyway.
constexpr double kLargest = 1e8;
} // namespace

void VertexIndex::Clear() {
    m_cells.clear();
    m_outliers.clear();
}

bool VertexIndex::Cell(const Point3d& p, Key& key) {
    const double c[3] = {p.x, p.y, p.z};
    std::int64_t k[3];
    for (int a = 0; a < 3; ++a) {
        if (!(std::abs(c[a]) < kLargest)) return false;
        k[a] = static_cast<std::int64_t>(std::floor(c[a] / kTolerance));
    }
    key = {k[0], k[1], k[2]};
    return true;
}

void VertexIndex::Add(const Point3d& p, int id) {
    Key key{};
    if (Cell(p, key))
        m_cells[key].push_back(id);
    else
        m_outliers.push_back(id);
}

template <typename Visit> bool VertexIndex::Visit27(const Point3d& p, Visit visit) const {
    Key key{};
    if (!Cell(p, key)) {
        for (int id : m_outliers)
            if (visit(id)) return true;
        return false;
    }
    for (std::int64_t dx = -1; dx <= 1; ++dx)
        for (std::int64_t dy = -1; dy <= 1; ++dy)
            for (std::int64_t dz = -1; dz <= 1; ++dz) {
                const auto it = m_cells.find({key.x + dx, key.y + dy, key.z + dz});
                if (it == m_cells.end()) continue;
                for (int id : it->second)
                    if (visit(id)) return true;
            }
    return false;
}

std::vector<int> VertexIndex::Matches(const Point3d& p, const std::vector<Point3d>& points) const {
    std::vector<int> ids;
    Visit27(p, [&](int id) {
        if (Same(points[static_cast<std::size_t>(id)], p)) ids.push_back(id);
        return false;
    });
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool VertexIndex::Contains(const Point3d& p, const std::vector<Point3d>& points) const {
    return Visit27(p, [&](int id) { return Same(points[static_cast<std::size_t>(id)], p); });
}

} // namespace figurant
