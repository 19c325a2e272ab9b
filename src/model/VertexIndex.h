#pragma once
// Spatial hash over a list of points for the "same vertex" test: two points are the same when
// they differ by strictly less than 1e-10 on each axis. Gives exactly the answers of a linear
// search, in near-constant time per query whatever the coordinates (huge, infinite or NaN).
#include "GeomMath.h"

#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace figurant {

class VertexIndex {
  public:
    static constexpr double kTolerance = 1e-10;

    static bool Same(const Point3d& a, const Point3d& b) {
        return std::abs(a.x - b.x) < kTolerance && std::abs(a.y - b.y) < kTolerance &&
               std::abs(a.z - b.z) < kTolerance;
    }

    void Clear();
    // Registers point number `id` of the indexed list.
    void Add(const Point3d& p, int id);
    // Ids of every indexed point that is the same as p, in increasing order.
    std::vector<int> Matches(const Point3d& p, const std::vector<Point3d>& points) const;
    bool Contains(const Point3d& p, const std::vector<Point3d>& points) const;

  private:
    struct Key {
        std::int64_t x, y, z;
        bool operator==(const Key& o) const { return x == o.x && y == o.y && z == o.z; }
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const {
            const auto u = [](std::int64_t v) { return static_cast<std::uint64_t>(v); };
            return static_cast<std::size_t>(u(k.x) * 73856093u ^ u(k.y) * 19349663u ^ u(k.z) * 83492791u);
        }
    };
    static bool Cell(const Point3d& p, Key& key);
    template <typename Visit> bool VisitNear(const Point3d& p, Visit visit) const;

    // Cell -> the last point added to it; m_next chains the earlier ones (-1 ends a chain).
    std::unordered_map<Key, int, KeyHash> m_cells;
    std::vector<int> m_next;
};

} // namespace figurant
