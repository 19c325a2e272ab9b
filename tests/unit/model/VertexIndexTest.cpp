#include "FpTraps.h"
#include "SegmentPose.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

using namespace figurant;

namespace {

TEST(HasVertex, Tolerance) {
    SegmentPose p;
    p.AddVertexIfNew({0, 0, 0}, 0);
    EXPECT_TRUE(p.HasVertex({0.99e-10, 0.99e-10, 0.99e-10}));
    EXPECT_FALSE(p.HasVertex({1e-10, 0, 0}));
    p.AddVertexIfNew({0.5e-10, 0, 0}, 1);
    EXPECT_EQ(p.m_vertices.size(), 1u);
}

// The hash must answer exactly like the linear search of the definition.
TEST(VertexIndex, MatchesLinearSearch) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(-1, 1);
    std::uniform_int_distribution<int> pick(0, 3);
    std::vector<Point3d> points;
    VertexIndex index;
    auto linearMatches = [&](const Point3d& q) {
        std::vector<int> ids;
        for (std::size_t i = 0; i < points.size(); ++i)
            if (VertexIndex::Same(points[i], q)) ids.push_back(static_cast<int>(i));
        return ids;
    };
    const double offsets[] = {0.9e-10, 1e-10, -0.9e-10, -1e-10, 0.0};
    for (int i = 0; i < 3000; ++i) {
        Point3d p{coord(rng), coord(rng), coord(rng)};
        if (!points.empty() && pick(rng) == 0) {
            p = points[static_cast<std::size_t>(rng() % points.size())];
            p.x += offsets[rng() % 5];
            p.y += offsets[rng() % 5];
        }
        EXPECT_EQ(index.Matches(p, points), linearMatches(p));
        EXPECT_EQ(index.Contains(p, points), !linearMatches(p).empty());
        index.Add(p, static_cast<int>(points.size()));
        points.push_back(p);
    }
    const Point3d huge{1e300, 0, 0};
    index.Add(huge, static_cast<int>(points.size()));
    points.push_back(huge);
    EXPECT_TRUE(index.Contains(huge, points));
}

// Coordinates a hostile drawing can bring: huge, infinite, NaN, and values on both sides of the
// size where the index stops using cells. Answers stay those of the linear search.
TEST(VertexIndex, MatchesLinearSearchAtHugeAndNonFiniteCoordinates) {
    test::NoFpTraps traps;
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {0.5, -0.25, 1e8,          std::nextafter(1e8, 0.0), -1e8, 1e20, -3e38,
                             inf, -inf,  std::nan(""), 99999999.99999999,        1e-11};
    std::mt19937 rng(5);
    std::vector<Point3d> points;
    VertexIndex index;
    for (int i = 0; i < 2000; ++i) {
        const Point3d p{values[rng() % 12], values[rng() % 12], values[rng() % 12]};
        std::vector<int> linear;
        for (std::size_t k = 0; k < points.size(); ++k)
            if (VertexIndex::Same(points[k], p)) linear.push_back(static_cast<int>(k));
        ASSERT_EQ(index.Matches(p, points), linear) << p.x << " " << p.y << " " << p.z;
        index.Add(p, static_cast<int>(points.size()));
        points.push_back(p);
    }
}

} // namespace
