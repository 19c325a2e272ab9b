#include "ReferenceMesh.h"

#include "SegmentColour.h"
#include "SegmentVertices.h"

#include <GL/glu.h>
#include <QOpenGLFramebufferObject>
#include <QWindow>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace figurant::bench {

ReferenceMesh::ReferenceMesh(CKvtView& view, const CKvtDoc& doc) : m_view(view), m_camera(view.Camera()) {
    m_view.makeCurrent();
    m_gl.initializeOpenGLFunctions();
    const ViewCamera& camera = m_camera;
    const NormalTable& normals = doc.Normals();
    // Each segment's corners and fans gathered apart, so each segment is one range of both.
    struct Part {
        std::vector<float> vertices;
        std::vector<unsigned> indices;
    };
    std::map<int, Part> parts;
    std::size_t g = 0;
    for (const auto& line : *doc.Model()) {
        Part& part = parts[line->m_nSegment];
        const auto first = static_cast<unsigned>(part.vertices.size() / 6);
        for (const Vec3f& p : line->Points()) {
            const Vec3f v = ViewPoint(p, camera.modelScale, camera.modelCentre);
            const Vec3f& n = normals[g++];
            part.vertices.insert(part.vertices.end(), {v.x, v.y, v.z, n.x, n.y, n.z});
        }
        const auto end = static_cast<unsigned>(part.vertices.size() / 6);
        if (!line->m_bFace) continue;
        for (auto j = first + 1; j + 1 < end; ++j)
            part.indices.insert(part.indices.end(), {j, j + 1, first});
    }
    std::vector<unsigned> indices;
    for (const auto& [segment, part] : parts) {
        const std::size_t base = m_vertices.size() / 6;
        m_ranges.push_back({segment, indices.size(), part.indices.size(), base, part.vertices.size() / 6});
        m_vertices.insert(m_vertices.end(), part.vertices.begin(), part.vertices.end());
        for (unsigned i : part.indices)
            indices.push_back(static_cast<unsigned>(base) + i);
    }
    m_indexCount = indices.size();
    m_gl.glGenBuffers(1, &m_vertexBuffer);
    m_gl.glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    m_gl.glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_vertices.size() * sizeof(float)),
                      m_vertices.data(), GL_DYNAMIC_DRAW);
    m_gl.glGenBuffers(1, &m_indexBuffer);
    m_gl.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
    m_gl.glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(unsigned)),
                      indices.data(), GL_STATIC_DRAW);
    m_gl.glBindBuffer(GL_ARRAY_BUFFER, 0);
    m_gl.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

ReferenceMesh::~ReferenceMesh() {
    m_view.makeCurrent();
    m_gl.glDeleteBuffers(1, &m_vertexBuffer);
    m_gl.glDeleteBuffers(1, &m_indexBuffer);
}

std::size_t ReferenceMesh::Bytes() const {
    return m_vertices.size() * sizeof(float) + m_indexCount * sizeof(unsigned);
}

void ReferenceMesh::SetCamera(const ViewCamera& c, bool pick, int x, int y) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (pick) {
        GLint viewport[4] = {0, 0, c.viewportW, c.viewportH};
        gluPickMatrix(x, c.viewportH - y, 2, 2, viewport);
    }
    gluPerspective(c.fovy, c.aspect, c.volume.zNear, c.volume.zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(c.sceneMatrix.data());
}

void ReferenceMesh::DrawRanges(bool ids) {
    m_gl.glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    m_gl.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 6 * sizeof(float), nullptr);
    glNormalPointer(GL_FLOAT, 6 * sizeof(float), reinterpret_cast<const void*>(3 * sizeof(float)));
    std::array<double, 3> colour{};
    for (const Range& r : m_ranges) {
        if (ids) {
            glColor3ub(static_cast<GLubyte>(r.segment + 1), 0, 0);
        } else {
            SegmentColour(r.segment, colour);
            glColor3d(colour[0], colour[1], colour[2]);
        }
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(r.indexCount), GL_UNSIGNED_INT,
                       reinterpret_cast<const void*>(r.firstIndex * sizeof(unsigned)));
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    m_gl.glBindBuffer(GL_ARRAY_BUFFER, 0);
    m_gl.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void ReferenceMesh::Paint() {
    m_view.makeCurrent();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    SetCamera(m_camera, false, 0, 0);
    DrawRanges(false);
    glPopMatrix();
    m_view.context()->swapBuffers(m_view.GLWindow());
    glFinish();
}

int ReferenceMesh::Pick(int x, int y) {
    m_view.makeCurrent();
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::Depth);
    if (!m_pickTarget) m_pickTarget = std::make_unique<QOpenGLFramebufferObject>(2, 2, format);
    m_pickTarget->bind();
    glViewport(0, 0, 2, 2);
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    SetCamera(m_camera, true, x, y);
    DrawRanges(true);
    glPopMatrix();
    std::array<GLubyte, 16> colours{};
    glReadPixels(0, 0, 2, 2, GL_RGBA, GL_UNSIGNED_BYTE, colours.data());
    glPopAttrib();
    m_pickTarget->release();
    glViewport(0, 0, m_camera.viewportW, m_camera.viewportH);
    return colours[0] - 1;
}

void ReferenceMesh::RewriteSegment(int segment, float degrees) {
    for (const Range& r : m_ranges) {
        if (r.segment != segment || r.vertexCount == 0) continue;
        float* const first = m_vertices.data() + r.firstVertex * 6;
        float* const last = first + r.vertexCount * 6;
        // A twist about the vertical line through the range's middle, growing from its bottom to
        // its top, turning positions and normals alike.
        float low = first[1], high = first[1], cx = 0, cz = 0;
        for (const float* v = first; v != last; v += 6) {
            low = std::min(low, v[1]);
            high = std::max(high, v[1]);
            cx += v[0];
            cz += v[2];
        }
        cx /= static_cast<float>(r.vertexCount);
        cz /= static_cast<float>(r.vertexCount);
        const float perHeight = degrees * 3.14159265f / 180.0f / std::max(high - low, 1e-6f);
        for (float* v = first; v != last; v += 6) {
            const float a = (v[1] - low) * perHeight, c = std::cos(a), s = std::sin(a);
            const float x = v[0] - cx, z = v[2] - cz;
            v[0] = cx + c * x + s * z;
            v[2] = cz - s * x + c * z;
            const float nx = v[3], nz = v[5];
            v[3] = c * nx + s * nz;
            v[5] = -s * nx + c * nz;
        }
        m_gl.glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
        m_gl.glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(r.firstVertex * 6 * sizeof(float)),
                             static_cast<GLsizeiptr>(r.vertexCount * 6 * sizeof(float)), first);
        m_gl.glBindBuffer(GL_ARRAY_BUFFER, 0);
        glFinish();
    }
}

} // namespace figurant::bench
