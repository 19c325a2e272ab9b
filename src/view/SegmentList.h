#pragma once
// A surface's arrays in graphics memory, drawn from there: a vertex buffer (position and normal per
// vertex, then, for an outline, an edge flag per vertex) and an index buffer of triangles in
// chunks of two-byte indices. The arrays are made on the side (SurfaceArrays) and let go once they
// are loaded, so a surface is held once.
#include "GeomMath.h"
#include "SurfaceArrays.h"

#include <QOpenGLBuffer>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace figurant {

// Flushes the drawing every so many triangles. A software rasterizer bins every triangle until
// the frame is flushed, and keeps the memory it binned into afterwards: at a million faces that
// was about 50 bytes a face. Flushing bounds what it bins at once (and lets it rasterize while the
// next triangles are binned); a small model is drawn unflushed, as one scene.
class FlushPacer {
  public:
    static constexpr std::size_t kTrianglesPerFlush = 20000;
    // Counts triangles just drawn, flushing once enough have gathered.
    void Drawn(std::size_t triangles);

  private:
    std::size_t m_unflushed = 0;
};

struct SegmentList {
    int segment = 0;
    bool built = false;
    // The figure's surface revision the arrays were made from.
    std::uint64_t revision = 0;
    // A sphere holding every vertex, in the segment's own frame: picking skips the list when the
    // sphere lies outside the few pixels under the cursor.
    Point3d centre;
    double radius = 0;

    // Loads the arrays into graphics memory (the context must be current); the buffers are reused
    // when the list is loaded again, as a twist does.
    void Load(const SurfaceArrays& arrays);
    // Draws the triangles and the open lines from the buffers (fixed-function client state), in
    // slices of at most kTrianglesPerFlush triangles, each counted by the pacer.
    void Draw(FlushPacer& pacer) const;
    bool HasEdges() const { return m_hasEdges; }

  private:
    // Owned by this list alone (a QOpenGLBuffer copy would share them).
    struct Buffers {
        QOpenGLBuffer vertex{QOpenGLBuffer::VertexBuffer};
        QOpenGLBuffer index{QOpenGLBuffer::IndexBuffer};
    };
    std::unique_ptr<Buffers> m_buffers;
    std::size_t m_vertexCount = 0;
    bool m_hasEdges = false; // edge flags follow the vertices, for the outline
    std::vector<IndexChunk> m_chunks;
    std::vector<std::pair<int, int>> m_lineStrips; // first vertex and count of each open line
};

} // namespace figurant
