#pragma once
// A surface as indexed vertex arrays: its faces as triangles (fans of the polygons, with edge flags
// that mark the polygons' own edges) followed by its open lines. Each segment of the figure has
// one, and the flat picture one per run of faces of the same segment. The arrays are made here and
// then handed to the graphics memory (SegmentList).
#include "BitsTable.h"
#include "GeomMath.h"
#include "Vec3f.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace figurant {

// A run of triangles whose vertices lie within 65,536 of its first one, so that two bytes number
// them: their indices count from firstVertex.
struct IndexChunk {
    std::size_t firstVertex = 0, firstIndex = 0, indexCount = 0;
};

struct SurfaceArrays {
    static constexpr std::size_t kChunkVertices = 65536;
    static constexpr std::size_t kFloatsPerVertex = 6;
    std::vector<float> vertices;        // x, y, z, nx, ny, nz per vertex
    std::vector<unsigned char> edges;   // per vertex, when asked for: the edge from it is a polygon edge
    std::vector<std::uint16_t> indices; // three per triangle, in chunks
    std::vector<IndexChunk> chunks;     // in order, covering every index
    std::vector<std::pair<int, int>> lineStrips; // first vertex and count of each open line
    // A sphere holding every vertex, in the segment's own frame.
    Point3d centre;
    double radius = 0;

    std::size_t VertexCount() const { return vertices.size() / kFloatsPerVertex; }
};

// Fills SurfaceArrays one polyline at a time. A polygon becomes a fan of triangles about its first
// corner, each listed as (corner j, corner j + 1, first corner), the order the driver's own
// decomposition of a polygon uses, so the picture is the same to the bit as the polygon's;
// repeated corners are dropped. Arrays for an outline flag only the polygon's own edges, so the
// outline stays the polygon's; arrays that are only filled have no flags, so more corners meet. A
// triangle corner equal to one already made (point, normal and any edge flag, to the bit) is the
// same vertex: neighbouring faces share their corners.
class SurfaceArrayBuilder {
  public:
    // `vertices`: how many triangle corners and line points the arrays will hold at most
    // (VerticesFor summed over the polylines), so nothing is grown by doubling. `edges`: whether
    // the arrays flag the polygons' edges, for drawing their outline.
    SurfaceArrayBuilder(SurfaceArrays& target, std::size_t vertices, bool edges = false);
    // The array vertices a polyline makes at most: a face's fan of triangles over its corners
    // without repeats (points that are equal here stay equal in the view), or a line strip.
    static std::size_t VerticesFor(const Vec3f* points, std::size_t count, bool face);
    void BeginLine(bool face);
    void AddCorner(const Vec3f& point, const Vec3f& normal);
    void EndLine();
    // Appends the open lines after the triangles' vertices and sets the bounding sphere.
    void Finish();

  private:
    struct Corner {
        Vec3f point, normal;
    };
    // The six floats of a vertex and its edge flag, by their bits.
    using VertexKey = BitsTable<7>::Key;
    VertexKey KeyOf(std::size_t vertex) const;
    // The index (in the current chunk) of the vertex with this corner and edge flag, made when the
    // chunk has none yet.
    std::uint16_t VertexFor(const Corner& c, bool edge);
    void Append(const Corner& c, bool edge);
    // Starts a new chunk unless the current one has room for a triangle of new vertices.
    void MakeRoomForTriangle();

    SurfaceArrays& m_target;
    bool m_edges = false;
    bool m_face = true;
    std::vector<Corner> m_corners;
    std::vector<std::vector<Corner>> m_lines;
    // The vertices the current chunk has made so far, by their bits.
    BitsTable<7> m_made;
    Vec3f m_low, m_high;
    std::size_t m_expected = 0; // triangle corners still to come, at most
};

} // namespace figurant
