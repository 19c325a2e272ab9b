// Display lists of the flat model and of the segments, and drawing of both pictures.
#include "KvtView.h"
#include "SegmentColour.h"
#include "SegmentVertices.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <limits>

namespace figurant {

namespace {

const char* const kNormalsNotReady = "Normals not ready!";

void EmitVertex(const Vec3f& v, const Vec3f& normal) {
    glNormal3f(normal.x, normal.y, normal.z);
    glVertex3f(v.x, v.y, v.z);
}

} // namespace

void CKvtView::BuildFlatLists() {
    const CUnderlayList* model = m_doc.Model();
    if (!model || model->GetCount() == 0) return;
    if (!m_doc.NormalsReady()) {
        m_services.MessageBox(kNormalsNotReady);
        return;
    }
    const float s = m_camera.modelScale;
    m_camera.modelCentre = model->Bounds().Scaled(s).Centre();
    for (unsigned list : m_flatLists)
        glDeleteLists(list, 1);
    m_flatLists.clear();
    m_flatListSegments.clear();
    glShadeModel(GL_SMOOTH);
    glColor3f(1, 0, 0);
    const std::vector<Vec3f>& normals = m_doc.Normals();
    std::size_t g = 0;
    // One list for each run of polylines of the same segment, in the model's order, so the picture
    // is drawn exactly as face by face (the cost of a list grows with the number already made).
    for (const auto& line : *model) {
        if (m_flatLists.empty() || m_flatListSegments.back() != line->m_nSegment) {
            if (!m_flatLists.empty()) glEndList();
            m_flatListSegments.push_back(line->m_nSegment);
            m_flatLists.push_back(glGenLists(1));
            glNewList(m_flatLists.back(), GL_COMPILE);
        }
        glBegin(line->m_bFace ? GL_POLYGON : GL_LINE_STRIP);
        for (const Vec3f& p : line->Points())
            EmitVertex(ViewPoint(p, s, m_camera.modelCentre), normals[g++]);
        glEnd();
    }
    if (!m_flatLists.empty()) glEndList();
}

// Builds the figure from the document's segment tables and one display list per segment.
void CKvtView::BuildSegmentLists() {
    for (int i = 0; i < m_nSegLists && i < kMaxSegments; ++i) {
        m_segLists[static_cast<std::size_t>(i)] = SegmentList{};
    }
    m_nSegLists = m_doc.SegmentCount();
    if (m_nSegLists <= 0) return;
    if (!m_doc.NormalsReady()) {
        m_services.MessageBox(" Normals not ready!");
        return;
    }
    glShadeModel(GL_SMOOTH);
    // Building the same model's figure again puts it back to rest as one undoable step.
    if (m_figure.IsBuilt() && m_figure.SegmentCount() == m_doc.SegmentCount())
        m_figure.ResetPose("Rebuild Figure");
    else
        m_figure.Build(m_doc.Tables(), m_camera.modelScale, m_camera.modelCentre);
    for (int s = 0; s < m_nSegLists && s < kMaxSegments; ++s)
        if (m_doc.HasSegmentTables()) BuildSegmentList(s);
}

// One segment's arrays from the figure's surface, smoothly shaded: the points as read with the
// document's normals, or, once a twist has moved them, the twisted points with their turned normals.
// A polygon becomes a fan of triangles about its first corner, each listed as (corner j, corner
// j + 1, first corner), the order the driver's own decomposition of a polygon uses, so the picture
// is the same to the bit; repeated corners are dropped, and only the polygon's own edges are
// flagged, so its outline stays the polygon's.
void CKvtView::BuildSegmentList(int segment) {
    SegmentList& e = m_segLists[static_cast<std::size_t>(segment)];
    const SegmentShape& shape = m_figure.Shape(segment);
    const std::vector<Vec3f>& normals = m_doc.Normals();
    const std::vector<Vec3f>& points = shape.Points();
    const TwistedSurface& twisted = shape.twisted;
    const bool turned = !twisted.shown.empty() && twisted.normals.size() == twisted.shown.size();
    e = SegmentList{};
    e.segment = segment;
    constexpr float kHuge = std::numeric_limits<float>::max();
    Vec3f lo{kHuge, kHuge, kHuge}, hi{-kHuge, -kHuge, -kHuge};
    struct Corner {
        Vec3f point, normal;
    };
    std::vector<Corner> corners;
    auto add = [&](const Corner& c, bool edge) {
        for (float v : {c.point.x, c.point.y, c.point.z, c.normal.x, c.normal.y, c.normal.z})
            e.vertices.push_back(v);
        e.edges.push_back(edge ? 1 : 0);
    };
    std::vector<std::vector<Corner>> lines;
    std::size_t k = 0;
    for (std::size_t i = 0; i < shape.lineSizes.size(); ++i) {
        corners.clear();
        for (auto n = static_cast<std::size_t>(shape.lineSizes[i]); n > 0; --n, ++k) {
            const Vec3f v =
                turned ? twisted.shown[k] : ViewPoint(points[k], m_camera.modelScale, m_camera.modelCentre);
            const Vec3f normal =
                turned ? twisted.normals[k] : normals[static_cast<std::size_t>(shape.normalIds[k])];
            lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
            hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
            const bool repeated = !corners.empty() && corners.back().point.x == v.x &&
                                  corners.back().point.y == v.y && corners.back().point.z == v.z;
            if (!shape.lineIsFace[i] || !repeated) corners.push_back({v, normal});
        }
        if (!shape.lineIsFace[i]) {
            lines.push_back(corners);
            continue;
        }
        const std::size_t n = corners.size();
        for (std::size_t j = 1; j + 1 < n; ++j) {
            add(corners[j], true);
            add(corners[j + 1], j + 2 == n);
            add(corners[0], j == 1);
        }
    }
    e.triangleVertices = static_cast<int>(e.edges.size());
    for (const auto& line : lines) {
        e.lineStrips.push_back({static_cast<int>(e.edges.size()), static_cast<int>(line.size())});
        for (const Corner& c : line)
            add(c, true);
    }
    e.built = true;
    e.revision = shape.revision;
    const Point3d a = ToPoint3d(lo), b = ToPoint3d(hi);
    e.centre = 0.5 * (a + b);
    e.radius = lo.x <= hi.x ? 0.5 * std::sqrt(Dot(b - a, b - a)) : 0.0;
}

void CKvtView::DrawSegmentArrays(const SegmentList& e) {
    if (e.edges.empty()) return;
    constexpr GLsizei kStride = 6 * sizeof(float);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_EDGE_FLAG_ARRAY);
    glVertexPointer(3, GL_FLOAT, kStride, e.vertices.data());
    glNormalPointer(GL_FLOAT, kStride, e.vertices.data() + 3);
    glEdgeFlagPointer(sizeof(unsigned char), e.edges.data());
    if (e.triangleVertices > 0) glDrawArrays(GL_TRIANGLES, 0, e.triangleVertices);
    for (const auto& [first, count] : e.lineStrips)
        glDrawArrays(GL_LINE_STRIP, first, count);
    glDisableClientState(GL_EDGE_FLAG_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// Recompiles the lists of segments whose surface changed since (twists and their undo).
void CKvtView::SyncSegmentLists() {
    if (!m_figure.IsBuilt() || !m_doc.NormalsReady()) return;
    for (int s = 0; s < m_nSegLists && s < kMaxSegments && s < m_figure.SegmentCount(); ++s) {
        const SegmentList& e = m_segLists[static_cast<std::size_t>(s)];
        if (e.built && e.revision != m_figure.Shape(s).revision) BuildSegmentList(s);
    }
}

void CKvtView::DrawScene(int mode) {
    float rotation[16];
    const ViewCamera& c = m_camera;
    BuildRotMatrix(rotation, c.curQuat);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    if (mode == GL_SELECT) {
        // The pick target shows the window's pixels around the cursor.
        GLint viewport[4] = {m_pickBox[2], m_pickBox[3], m_pickBox[4], m_pickBox[5]};
        gluPickMatrix(m_pickBox[0], m_pickBox[1], 2, 2, viewport);
    }
    gluPerspective(c.fovy, c.aspect, c.zNear, c.zFar);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(c.sceneMatrix.data());
    glMultMatrixf(rotation);
    glRotatef(static_cast<float>(c.sceneRotX), 1, 0, 0);
    glRotatef(static_cast<float>(c.sceneRotZ), 0, 0, 1);
    if (m_nDisplayMode == DISPLAY_HIERARCHY) {
        std::array<double, 3> colour{1.0, 0.0, 0.0};
        DrawTree(m_figure.Pose(1), mode, colour);
    } else {
        DrawFlatLists(mode);
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void CKvtView::DrawFlatLists(int mode) {
    std::array<double, 3> colour = m_flatColour;
    for (std::size_t i = 0; i < m_flatLists.size(); ++i) {
        const int segment = m_flatListSegments[i];
        if (mode == GL_SELECT) {
            SetPickName(segment);
        } else {
            SegmentColour(segment, colour);
            glColor3d(colour[0], colour[1], colour[2]);
        }
        glCallList(m_flatLists[i]);
    }
}

void CKvtView::DrawTree(const SegmentPose& r, int mode, std::array<double, 3>& colour) {
    if (r.m_pJointCentre) {
        // A band is picked as the segment drawn last before it.
        if (mode == GL_SELECT) {
            SetPickName(m_pickName);
        } else {
            SegmentColour(r.m_nSegment, colour);
            glColor3d(colour[0], colour[1], colour[2]);
        }
        DrawJointBand(r); // in the parent's frame, before the segment's own matrix
    }
    glMultMatrixf(r.m_matrix.data());
    DrawSegmentLists(r.m_nSegment, 1, mode);
    for (const SegmentPose* child : r.m_pChildren) {
        glPushMatrix();
        DrawTree(*child, mode, colour);
        glPopMatrix();
    }
}

void CKvtView::DrawSegmentLists(int first, int count, int mode) {
    if (first < 0 || first + count > m_nSegLists) {
        first = 0;
        count = m_nSegLists;
    }
    std::array<double, 3> colour{1.0, 0.0, 0.0};
    for (int i = first; i < first + count && i < kMaxSegments; ++i) {
        const SegmentList& e = m_segLists[static_cast<std::size_t>(i)];
        if (mode == GL_SELECT) {
            SetPickName(e.segment);
        } else {
            if (m_figure.IsSelected(e.segment))
                colour = m_selectColour;
            else
                SegmentColour(e.segment, colour);
            glColor3d(colour[0], colour[1], colour[2]);
        }
        if (e.built && (mode != GL_SELECT || MayBeUnderCursor(e))) DrawSegmentArrays(e);
        if (e.built && mode == GL_RENDER && m_bOutline && m_figure.IsSelected(e.segment)) DrawOutline(e);
    }
}

// The silhouette of a segment in a colour no segment has, so a selected segment stands out even
// where it is red anyway (the shirt): its back faces drawn as wide lines, where they pass the
// depth test, show just around its edge.
void CKvtView::DrawOutline(const SegmentList& e) {
    constexpr float kOutlineWidth = 5.0f; // pixels; half of it falls outside the segment
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_LINE_BIT | GL_DEPTH_BUFFER_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glPolygonMode(GL_BACK, GL_LINE);
    glLineWidth(kOutlineWidth);
    glDepthFunc(GL_LEQUAL);
    glColor3d(m_outlineColour[0], m_outlineColour[1], m_outlineColour[2]);
    DrawSegmentArrays(e);
    glPopAttrib();
}

// Eight triangles between each pair of neighbouring ring points, in both windings and with both
// normal signs, so the band closes the joint whichever way the ring runs.
void CKvtView::DrawJointBand(const SegmentPose& r) {
    if (r.m_childRing.empty() || r.m_parentRing.empty()) return;
    if (!m_doc.NormalsReady()) {
        m_services.MessageBox(kNormalsNotReady);
        return;
    }
    const std::vector<Vec3f>& normals = m_doc.Normals();
    const std::size_t n = std::min({r.m_childRing.size(), r.m_parentRing.size(), r.m_ringNormalIds.size()});
    struct Corner {
        Vec3f q, p, a, b;
    };
    std::vector<Corner> c(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Point3d& q = r.m_parentRing[i];
        const Point3d& p = r.m_childRing[i];
        const int id = r.m_ringNormalIds[i];
        const Vec3f a = id >= 0 && static_cast<std::size_t>(id) < normals.size()
                            ? normals[static_cast<std::size_t>(id)]
                            : Vec3f{};
        const Point3d bn = TransformPoint3(r.m_matrix, {a.x, a.y, a.z});
        c[i] = {{static_cast<float>(q.x), static_cast<float>(q.y), static_cast<float>(q.z)},
                {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)},
                a,
                {static_cast<float>(bn.x), static_cast<float>(bn.y), static_cast<float>(bn.z)}};
    }
    auto vertex = [](const Vec3f& v, const Vec3f& normal, float sign) {
        glNormal3f(sign * normal.x, sign * normal.y, sign * normal.z);
        glVertex3f(v.x, v.y, v.z);
    };
    auto triangle = [&](const Corner& c0, bool p0, const Corner& c1, bool p1, const Corner& c2, bool p2,
                        float sign) {
        glBegin(GL_POLYGON);
        vertex(p0 ? c0.p : c0.q, p0 ? c0.b : c0.a, sign);
        vertex(p1 ? c1.p : c1.q, p1 ? c1.b : c1.a, sign);
        vertex(p2 ? c2.p : c2.q, p2 ? c2.b : c2.a, sign);
        glEnd();
    };
    for (std::size_t k = 1; k <= n; ++k) {
        const Corner& j = c[k - 1];
        const Corner& i = c[k % n];
        triangle(j, false, j, true, i, true, 1);
        triangle(j, false, j, true, i, true, -1);
        triangle(i, true, j, true, j, false, -1);
        triangle(i, true, j, true, j, false, 1);
        triangle(j, false, i, true, i, false, 1);
        triangle(j, false, i, true, i, false, -1);
        triangle(i, false, i, true, j, false, -1);
        triangle(i, false, i, true, j, false, 1);
    }
}

void CKvtView::paintGL() {
    // While the document reads a model (its progress lets the window repaint), the last picture
    // stays: the lists and the figure may not match the document until the read has finished.
    if (m_doc.Loading()) return;
    ++m_nPaints;
    DrawPicture(0, 0, 0, 0);
    glFlush();
    if (m_bFirstDraw) {
        RefreshToolbar(Refresh::FirstPaint);
        m_bFirstDraw = false;
    }
}

// The whole picture into the bound framebuffer, on a background of the given colour.
void CKvtView::DrawPicture(float red, float green, float blue, float alpha) {
    glClearColor(red, green, blue, alpha);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    SyncSegmentLists();
    DrawScene(GL_RENDER);
}

// A key light at the upper left front and a weaker fill from behind on the right. Their diffuse
// parts add up to no more than the colours can take where a light skin faces both, so the head
// keeps its shading instead of washing out to white.
void CKvtView::SetupLights() {
    const GLfloat ambient0[] = {0.42f, 0.42f, 0.42f, 1.0f}, diffuse0[] = {1.0f, 1.0f, 1.0f, 0.0f};
    const GLfloat ambient1[] = {0.21f, 0.21f, 0.21f, 1.0f}, diffuse1[] = {0.6f, 0.6f, 0.6f, 0.0f};
    const GLfloat specular[] = {0, 0, 0, 0};
    const GLfloat position0[] = {-2.0f, -2.5f, 2.0f, 1.0f}, position1[] = {2.0f, 2.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient0);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse0);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_POSITION, position0);
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient1);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse1);
    glLightfv(GL_LIGHT1, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT1, GL_POSITION, position1);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    const GLfloat modelAmbient[] = {0.2f, 0.2f, 0.2f, 1.0f};
    glLightModelf(GL_LIGHT_MODEL_LOCAL_VIEWER, 1.0f);
    glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 0.0f);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, modelAmbient);
    glEnable(GL_LIGHTING);
    glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
}

void CKvtView::OnInitialUpdate() {
    BuildFlatLists();
    SetupCamera(); // leaves the camera's look-at in the model-view matrix, which fixes the lights to it
    SetupLights();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glShadeModel(GL_SMOOTH);
    RefreshToolbar(Refresh::InitialUpdate);
    OnUpdate(0);
}

} // namespace figurant
