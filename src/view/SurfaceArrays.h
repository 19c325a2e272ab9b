#pragma once
// A surface as vertex arrays: its faces as triangles (fans of the polygons, with edge flags that
// mark the polygons' own edges) followed by its open lines. Each segment of the figure has one,
// and the flat picture one per run of faces of the same segment.
#include "GeomMath.h"
#include "Vec3f.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace figurant {

struct SegmentList {
    int segment = 0;
    std::vector<float> vertices;      // x, y, z, nx, ny, nz per vertex
    std::vector<unsigned char> edges; // per vertex: the edge from it is a polygon edge
    int triangleVertices = 0;
    std::vector<std::pair<int, int>> lineStrips; // first vertex and count of each open line
    bool built = false;
    // The figure's surface revision the arrays were made from.
    std::uint64_t revision = 0;
    // A sphere holding every vertex, in the segment's own frame: picking skips the arrays when
    // the sphere lies outside the few pixels under the cursor.
    Point3d centre;
    double radius = 0;
};

// Fills a SegmentList one polyline at a time. A polygon becomes a fan of triangles about its first
// corner, each listed as (corner j, corner j + 1, first corner), the order the driver's own
// decomposition of a polygon uses, so the picture is the same to the bit as the polygon's;
// repeated corners are dropped, and only the polygon's own edges are flagged, so its outline
// stays the polygon's.
class SurfaceArrayBuilder {
  public:
    // `vertices`: how many vertices the arrays will hold at most (VerticesFor summed over the
    // polylines), so they are made at their size and not grown by doubling.
    SurfaceArrayBuilder(SegmentList& target, int segment, std::size_t vertices = 0);
    // The array vertices a polyline makes at most: a face's fan of triangles over its corners
    // without repeats (points that are equal here stay equal in the view), or a line strip.
    static std::size_t VerticesFor(const Vec3f* points, std::size_t count, bool face);
    void BeginLine(bool face);
    void AddCorner(const Vec3f& point, const Vec3f& normal);
    void EndLine();
    // Appends the open lines after the triangles and sets the bounding sphere.
    void Finish();

  private:
    struct Corner {
        Vec3f point, normal;
    };
    void Add(const Corner& c, bool edge);

    SegmentList& m_target;
    bool m_face = true;
    std::vector<Corner> m_corners;
    std::vector<std::vector<Corner>> m_lines;
    Vec3f m_low, m_high;
};

} // namespace figurant
