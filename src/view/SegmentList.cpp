#include "SegmentList.h"

#include "SurfaceArrays.h"

#include <GL/gl.h>
#include <algorithm>
#include <initializer_list>
#include <limits>

namespace figurant {

namespace {
constexpr GLsizei kStride = 6 * sizeof(float);
constexpr std::size_t kIndicesPerFlush = 3 * FlushPacer::kTrianglesPerFlush;

// A byte offset into the bound buffer, as the array pointer calls take it.
const void* Offset(std::size_t bytes) {
    return reinterpret_cast<const void*>(bytes);
}

// Fills a buffer from parts laid end to end.
void Fill(QOpenGLBuffer& buffer, std::initializer_list<std::pair<const void*, std::size_t>> parts) {
    if (!buffer.isCreated()) buffer.create();
    std::size_t bytes = 0;
    for (const auto& part : parts)
        bytes += part.second;
    buffer.bind();
    buffer.allocate(static_cast<int>(bytes));
    std::size_t at = 0;
    for (const auto& [data, size] : parts) {
        buffer.write(static_cast<int>(at), data, static_cast<int>(size));
        at += size;
    }
    buffer.release();
}
} // namespace

void SegmentList::Load(const SurfaceArrays& arrays) {
    const std::size_t vertexBytes = arrays.vertices.size() * sizeof(float) + arrays.edges.size();
    const std::size_t indexBytes = arrays.indices.size() * sizeof(std::uint16_t);
    // A buffer's size is an int: a surface beyond it (hundreds of millions of faces in one
    // segment) is not drawn rather than drawn wrong.
    if (std::max(vertexBytes, indexBytes) > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        built = false;
        return;
    }
    m_vertexCount = arrays.VertexCount();
    m_hasEdges = !arrays.edges.empty();
    m_chunks = arrays.chunks;
    m_lineStrips = arrays.lineStrips;
    centre = arrays.centre;
    radius = arrays.radius;
    built = true;
    if (!m_buffers) m_buffers = std::make_unique<Buffers>();
    Fill(m_buffers->vertex, {{arrays.vertices.data(), arrays.vertices.size() * sizeof(float)},
                             {arrays.edges.data(), arrays.edges.size()}});
    Fill(m_buffers->index, {{arrays.indices.data(), indexBytes}});
}

void FlushPacer::Drawn(std::size_t triangles) {
    m_unflushed += triangles;
    if (m_unflushed < kTrianglesPerFlush) return;
    glFlush();
    m_unflushed = 0;
}

void SegmentList::Draw(FlushPacer& pacer) const {
    if (!built || !m_buffers || m_vertexCount == 0) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    if (m_hasEdges) glEnableClientState(GL_EDGE_FLAG_ARRAY);
    m_buffers->vertex.bind();
    // Each chunk's indices count from its first vertex: the arrays start there.
    auto pointAt = [this](std::size_t first) {
        glVertexPointer(3, GL_FLOAT, kStride, Offset(first * kStride));
        glNormalPointer(GL_FLOAT, kStride, Offset(first * kStride + 3 * sizeof(float)));
        if (m_hasEdges) glEdgeFlagPointer(sizeof(unsigned char), Offset(m_vertexCount * kStride + first));
    };
    if (!m_chunks.empty()) {
        m_buffers->index.bind();
        for (const IndexChunk& c : m_chunks) {
            pointAt(c.firstVertex);
            for (std::size_t at = 0; at < c.indexCount; at += kIndicesPerFlush) {
                const std::size_t count = std::min(kIndicesPerFlush, c.indexCount - at);
                glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_SHORT,
                               Offset((c.firstIndex + at) * sizeof(std::uint16_t)));
                pacer.Drawn(count / 3);
            }
        }
        m_buffers->index.release();
    }
    pointAt(0);
    for (const auto& [first, count] : m_lineStrips)
        glDrawArrays(GL_LINE_STRIP, first, count);
    m_buffers->vertex.release();
    if (m_hasEdges) glDisableClientState(GL_EDGE_FLAG_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

} // namespace figurant
