// The indexed arrays of a surface draw exactly the triangles and lines of its polylines: every
// triangle corner has its own point, normal and edge flag, and no two vertices are the same.
#include "SurfaceArrays.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <set>
#include <vector>

using namespace figurant;

namespace {

struct Corner {
    Vec3f point, normal;
    bool edge;
};

struct Polyline {
    bool face;
    std::vector<std::pair<Vec3f, Vec3f>> corners;
};

// The triangles a face makes, worked out on their own: repeated corners dropped, a fan about the
// first corner listed as (j, j + 1, first), with only the polygon's own edges flagged.
std::vector<Corner> Fan(const Polyline& line) {
    std::vector<std::pair<Vec3f, Vec3f>> kept;
    for (const auto& c : line.corners) {
        const bool repeated = !kept.empty() && kept.back().first.x == c.first.x &&
                              kept.back().first.y == c.first.y && kept.back().first.z == c.first.z;
        if (!repeated) kept.push_back(c);
    }
    std::vector<Corner> out;
    const std::size_t n = kept.size();
    for (std::size_t j = 1; j + 1 < n; ++j) {
        out.push_back({kept[j].first, kept[j].second, true});
        out.push_back({kept[j + 1].first, kept[j + 1].second, j + 2 == n});
        out.push_back({kept[0].first, kept[0].second, j == 1});
    }
    return out;
}

// The vertex of every triangle corner, in order, through the chunks; each chunk's vertices lie
// within two-byte reach of its first.
std::vector<std::size_t> CornerVertices(const SurfaceArrays& a) {
    std::vector<std::size_t> out;
    std::size_t next = 0;
    for (const IndexChunk& c : a.chunks) {
        EXPECT_EQ(c.firstIndex, next);
        for (std::size_t i = c.firstIndex; i < c.firstIndex + c.indexCount; ++i)
            out.push_back(c.firstVertex + a.indices[i]);
        next = c.firstIndex + c.indexCount;
    }
    EXPECT_EQ(next, a.indices.size());
    return out;
}

std::array<float, 6> Floats(const SurfaceArrays& a, std::size_t v) {
    std::array<float, 6> f{};
    std::memcpy(f.data(), &a.vertices[6 * v], sizeof f);
    return f;
}

std::array<float, 6> Floats(const Vec3f& p, const Vec3f& n) {
    return {p.x, p.y, p.z, n.x, n.y, n.z};
}

// Faces of three to six corners (some repeated) and a few open lines over a small lattice of
// points with a few normals, so that corners are shared often.
std::vector<Polyline> RandomSurface(std::mt19937& random) {
    std::uniform_int_distribution<int> lattice(0, 5), normal(0, 2), corners(3, 6), kind(0, 9);
    auto corner = [&] {
        const Vec3f p{static_cast<float>(lattice(random)), static_cast<float>(lattice(random)), 0.5f};
        const Vec3f n{0, 0, normal(random) == 0 ? -1.0f : 1.0f};
        return std::make_pair(p, n);
    };
    std::vector<Polyline> lines(300);
    for (Polyline& line : lines) {
        line.face = kind(random) != 0;
        for (int k = corners(random); k > 0; --k)
            line.corners.push_back(k == 2 && kind(random) < 3 && !line.corners.empty() ? line.corners.back()
                                                                                       : corner());
    }
    return lines;
}

} // namespace

TEST(SurfaceArrays, IndexedTrianglesAreTheFansOfTheFacesWithSharedCorners) {
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        const std::vector<Polyline> lines = RandomSurface(random);
        SurfaceArrays arrays;
        // A hint of nothing: the vertex table grows as it fills. Half the rounds make arrays for an
        // outline, with edge flags; the others have none, and share corners across them.
        const bool edges = round % 4 < 2;
        SurfaceArrayBuilder builder(arrays, round % 2 == 0 ? 0 : 5000, edges);
        std::vector<Corner> expected;
        std::vector<std::vector<std::pair<Vec3f, Vec3f>>> openLines;
        for (const Polyline& line : lines) {
            builder.BeginLine(line.face);
            for (const auto& [p, n] : line.corners)
                builder.AddCorner(p, n);
            builder.EndLine();
            if (line.face) {
                const std::vector<Corner> fan = Fan(line);
                expected.insert(expected.end(), fan.begin(), fan.end());
            } else {
                openLines.push_back(line.corners);
            }
        }
        builder.Finish();

        const std::vector<std::size_t> corners = CornerVertices(arrays);
        ASSERT_EQ(corners.size(), expected.size());
        std::size_t triangleVertices = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const std::size_t v = corners[i];
            ASSERT_LT(v, arrays.VertexCount());
            triangleVertices = std::max(triangleVertices, v + 1);
            EXPECT_EQ(Floats(arrays, v), Floats(expected[i].point, expected[i].normal)) << i;
            if (edges) {
                EXPECT_EQ(arrays.edges[v] != 0, expected[i].edge) << i;
            }
        }
        ASSERT_EQ(arrays.edges.size(), edges ? arrays.VertexCount() : 0);
        std::set<std::pair<std::array<float, 6>, unsigned char>> distinct;
        for (std::size_t v = 0; v < triangleVertices; ++v)
            distinct.insert({Floats(arrays, v), edges ? arrays.edges[v] : 0});
        EXPECT_EQ(distinct.size(), triangleVertices);
        EXPECT_LT(triangleVertices, expected.size() / 2); // the lattice makes corners meet

        ASSERT_EQ(arrays.lineStrips.size(), openLines.size());
        for (std::size_t l = 0; l < openLines.size(); ++l) {
            const auto [first, count] = arrays.lineStrips[l];
            ASSERT_EQ(static_cast<std::size_t>(count), openLines[l].size());
            for (int k = 0; k < count; ++k) {
                const auto v = static_cast<std::size_t>(first + k);
                EXPECT_EQ(Floats(arrays, v), Floats(openLines[l][k].first, openLines[l][k].second));
                if (edges) {
                    EXPECT_EQ(arrays.edges[v], 1);
                }
            }
        }
    }
}

// More vertices than two bytes can number: the triangles go in chunks, none reaching past its
// reach, and every corner is still the face's own.
TEST(SurfaceArrays, LargeSurfacesAreDrawnInChunks) {
    SurfaceArrays arrays;
    SurfaceArrayBuilder builder(arrays, 0);
    constexpr int kFaces = 30000; // three corners of their own each: 90,000 vertices
    for (int f = 0; f < kFaces; ++f) {
        builder.BeginLine(true);
        for (int k = 0; k < 3; ++k)
            builder.AddCorner({static_cast<float>(f), static_cast<float>(k), 0}, {0, 0, 1});
        builder.EndLine();
    }
    builder.Finish();
    ASSERT_GE(arrays.chunks.size(), 2u);
    for (const IndexChunk& c : arrays.chunks)
        for (std::size_t i = c.firstIndex; i < c.firstIndex + c.indexCount; ++i)
            ASSERT_LT(c.firstVertex + arrays.indices[i], c.firstVertex + SurfaceArrays::kChunkVertices);
    const std::vector<std::size_t> corners = CornerVertices(arrays);
    ASSERT_EQ(corners.size(), static_cast<std::size_t>(3 * kFaces));
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const int face = static_cast<int>(i / 3), corner = static_cast<int>((i % 3 + 1) % 3);
        const auto f = Floats(arrays, corners[i]);
        ASSERT_EQ(f[0], static_cast<float>(face)) << i;
        ASSERT_EQ(f[1], static_cast<float>(corner)) << i;
    }
}
