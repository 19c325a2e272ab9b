#pragma once
// The yardstick the view's figures are reported against: the document's faces as one indexed
// vertex buffer (position and normal per corner, the polygons as fans), one index range per
// segment, drawn with plain fixed-function lighting, the view's camera and lights, in the view's
// own window and context.
#include "KvtView.h"

#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <cstddef>
#include <memory>
#include <vector>

namespace figurant::bench {

class ReferenceMesh {
  public:
    // Reads the document's model into buffers in the view's context, with the view's camera.
    ReferenceMesh(CKvtView& view, const CKvtDoc& doc);
    ~ReferenceMesh();
    ReferenceMesh(const ReferenceMesh&) = delete;
    ReferenceMesh& operator=(const ReferenceMesh&) = delete;
    // Draws every segment range and shows the picture.
    void Paint();
    // The segment drawn nearest at a window pixel (ids as colours into a 2 x 2 target), or -1.
    int Pick(int x, int y);
    // Twists one segment's vertices and sends its range to the buffer again.
    void RewriteSegment(int segment, float degrees);
    // Bytes the mesh keeps in buffers: vertices and indices.
    std::size_t Bytes() const;

  private:
    struct Range {
        int segment = 0;
        std::size_t firstIndex = 0, indexCount = 0;
        std::size_t firstVertex = 0, vertexCount = 0;
    };
    void SetCamera(const ViewCamera& c, bool pick, int x, int y);
    void DrawRanges(bool ids);

    CKvtView& m_view;
    QOpenGLFunctions m_gl;
    unsigned m_vertexBuffer = 0, m_indexBuffer = 0;
    std::vector<float> m_vertices; // x, y, z, nx, ny, nz per corner
    std::size_t m_indexCount = 0;
    std::vector<Range> m_ranges;
    const ViewCamera& m_camera;
    std::unique_ptr<QOpenGLFramebufferObject> m_pickTarget;
};

} // namespace figurant::bench
