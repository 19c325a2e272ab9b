// Vertex arrays of the flat model and of the segments, and drawing of both pictures.
#include "KvtView.h"
#include "LengthUnits.h"
#include "SegmentColour.h"
#include "SegmentVertices.h"
#include "SurfaceArrays.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

namespace figurant {

namespace {

const char* const kNormalsNotReady = "Normals not ready!";
const char* const kBuildingFigure = "Building the figure...";
// Steps of building the figure: the document's tables, the figure, then each segment's arrays.
constexpr int kBuildSteps = 2 + kMaxSegments;

// The array vertices of each run of the model's polylines of one segment, in model order.
std::vector<std::size_t> FlatRunVertices(const CUnderlayList& model) {
    std::vector<std::size_t> runs;
    int segment = 0;
    for (const auto& line : model) {
        if (runs.empty() || line->m_nSegment != segment) runs.push_back(0);
        segment = line->m_nSegment;
        const PointSpan points = line->Points();
        runs.back() += SurfaceArrayBuilder::VerticesFor(points.begin(), points.size(), line->m_bFace);
    }
    return runs;
}

// The array vertices of a segment's surface, from its rest points (a twist moves equal points
// alike, so it makes no more).
std::size_t ArrayVertices(const SegmentShape& shape) {
    std::size_t vertices = 0;
    shape.ForEachRestLine([&vertices](const CUnderlayPolyLine& line, std::int32_t, std::size_t) {
        const PointSpan points = line.Points();
        vertices += SurfaceArrayBuilder::VerticesFor(points.begin(), points.size(), line.m_bFace);
    });
    return vertices;
}

} // namespace

void CKvtView::BuildFlatLists() {
    if (isValid()) makeCurrent();
    LoadCharacter();
    const CUnderlayList* model = m_doc.Model();
    if (!model || model->GetCount() == 0) return;
    if (!m_doc.NormalsReady()) {
        m_services.MessageBox(kNormalsNotReady);
        return;
    }
    const float s = m_camera.modelScale;
    m_camera.modelCentre = model->Bounds().Scaled(s).Centre();
    m_flatRuns.clear();
    // An imported character is drawn skinned: the drawing it was converted to is not shown.
    if (m_doc.GetCharacter()) return;
    const NormalTable& normals = m_doc.Normals();
    const std::vector<std::size_t> runVertices = FlatRunVertices(*model);
    std::size_t g = 0;
    SurfaceArrays arrays;
    std::optional<SurfaceArrayBuilder> run;
    // Each run goes to graphics memory as soon as it is made, so one run's arrays are held at a time.
    auto loadRun = [&] {
        if (!run) return;
        run->Finish();
        m_flatRuns.back().Load(arrays);
    };
    for (const auto& line : *model) {
        if (m_flatRuns.empty() || m_flatRuns.back().segment != line->m_nSegment) {
            loadRun();
            const std::size_t vertices = runVertices[m_flatRuns.size()];
            m_flatRuns.emplace_back().segment = line->m_nSegment;
            run.emplace(arrays, vertices);
        }
        run->BeginLine(line->m_bFace);
        for (const Vec3f& p : line->Points())
            run->AddCorner(ViewPoint(p, s, m_camera.modelCentre), normals[g++]);
        run->EndLine();
    }
    loadRun();
    LoadCharacter();
}

// Only the outermost of nested builds opens and closes the progress.
CKvtView::BuildingFigure::BuildingFigure(CKvtView& view) : m_view(view), m_outer(!view.m_bBuilding) {
    m_view.m_bBuilding = true;
    if (m_outer) Report(0);
}

CKvtView::BuildingFigure::~BuildingFigure() {
    if (!m_outer) return;
    m_view.m_bBuilding = false;
    Report(kBuildSteps);
}

void CKvtView::BuildingFigure::Report(int step) const {
    m_view.m_services.Busy(kBuildingFigure, step, kBuildSteps);
}

// Builds the figure from the document's segment tables and the arrays of each segment. The flat
// picture's arrays are let go meanwhile: they are not drawn while the figure is shown, and on a
// large model they hold as much memory as the figure's.
void CKvtView::BuildSegmentLists() {
    ReleaseSegmentLists();
    m_nSegLists = m_doc.SegmentCount();
    if (m_nSegLists <= 0) return;
    if (!m_doc.NormalsReady()) {
        m_services.MessageBox(" Normals not ready!");
        return;
    }
    glShadeModel(GL_SMOOTH);
    // Building the same model's figure again puts it back to rest as one undoable step.
    const BuildingFigure building(*this);
    if (m_figure.IsBuilt() && m_figure.SegmentCount() == m_doc.SegmentCount())
        m_figure.ResetPose("Rebuild Figure");
    else
        m_figure.Build(m_doc.Tables(), m_camera.modelScale, m_camera.modelCentre);
    building.Report(2);
    KeepPose();
    for (int s = 0; s < m_nSegLists && s < kMaxSegments; ++s) {
        if (m_doc.HasSegmentTables() && !m_doc.GetCharacter())
            LoadSegmentList(m_segLists[static_cast<std::size_t>(s)], s, false);
        building.Report(3 + s);
    }
    std::vector<SegmentList>().swap(m_flatRuns);
    LoadCharacter();
    SettleCharacterBones();
}

// One segment's arrays from the figure's surface, smoothly shaded: the points as read with the
// document's normals, or, once a twist has moved them, the twisted points with their turned normals.
void CKvtView::LoadSegmentList(SegmentList& e, int segment, bool edges) {
    const SegmentShape& shape = m_figure.Shape(segment);
    const TwistedSurface& twisted = shape.twisted;
    const bool turned = twisted.laid && twisted.normals.size() == shape.pointCount;
    SurfaceArrays made;
    SurfaceArrayBuilder arrays(made, ArrayVertices(shape), edges);
    shape.ForEachRestLine([&](const CUnderlayPolyLine& line, std::int32_t id, std::size_t k) {
        arrays.BeginLine(line.m_bFace);
        for (const Vec3f& rest : line.Points()) {
            if (turned)
                arrays.AddCorner(m_figure.TwistedShownPoint(segment, k), twisted.normals[k]);
            else
                arrays.AddCorner(
                    ViewPoint(m_figure.PointNow(segment, k, rest), m_camera.modelScale, m_camera.modelCentre),
                    m_figure.Normal(id));
            ++k;
            ++id;
        }
        arrays.EndLine();
    });
    arrays.Finish();
    e.segment = segment;
    e.Load(made);
    e.revision = shape.revision;
}

// Remakes the arrays of segments whose surface changed since (twists and their undo). A selected
// segment is drawn from arrays that flag its polygons' edges, for its outline (filling ignores the
// flags); its plain arrays wait, and are remade only when it is no longer selected, so a twist of
// the selected segment remakes one set of arrays.
void CKvtView::SyncSegmentLists() {
    if (!m_figure.IsBuilt() || !m_doc.NormalsReady()) return;
    for (int s = 0; s < m_nSegLists && s < kMaxSegments && s < m_figure.SegmentCount(); ++s) {
        SegmentList& filled = m_segLists[static_cast<std::size_t>(s)];
        SegmentList& outlined = m_outlineLists[static_cast<std::size_t>(s)];
        if (!filled.built && !outlined.built) continue; // none made (no arrays, or too large)
        const std::uint64_t revision = m_figure.Shape(s).revision;
        if (!m_figure.IsSelected(s)) {
            outlined = SegmentList{};
            if (!filled.built || filled.revision != revision) LoadSegmentList(filled, s, false);
            continue;
        }
        if (!outlined.built || outlined.revision != revision) LoadSegmentList(outlined, s, true);
        if (outlined.built && filled.revision != revision) filled = SegmentList{};
    }
}

// The arrays a segment is drawn from: those with edge flags while it has them.
const SegmentList& CKvtView::ShownList(int segment) const {
    const SegmentList& outlined = m_outlineLists[static_cast<std::size_t>(segment)];
    return outlined.built ? outlined : m_segLists[static_cast<std::size_t>(segment)];
}

void CKvtView::DrawScene(int mode, Layer layer) {
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
    MultProjection();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(c.sceneMatrix.data());
    glMultMatrixf(rotation);
    glRotatef(static_cast<float>(c.sceneRotX), 1, 0, 0);
    glRotatef(static_cast<float>(c.sceneRotZ), 0, 0, 1);
    // The figure tree leaves the root's transform on the matrix stack; the handles are placed
    // without it.
    glPushMatrix();
    if (CharacterShown()) {
        DrawCharacter(mode, layer);
    } else if (m_nDisplayMode == DISPLAY_HIERARCHY || FigureShown()) {
        std::array<double, 3> colour{1.0, 0.0, 0.0};
        DrawTree(m_figure.Pose(1), mode, colour, layer);
    } else {
        DrawFlatLists(mode);
    }
    glPopMatrix();
    // Handles are for the user at the screen: pictures made for elsewhere go without them.
    if (mode == GL_RENDER && layer != Layer::Resting && m_bOutline && m_bBackdrop) {
        DrawHandles();
        DrawGizmo();
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void CKvtView::DrawFlatLists(int mode) {
    std::array<double, 3> colour = m_flatColour;
    for (const SegmentList& run : m_flatRuns) {
        const int segment = run.segment;
        if (mode == GL_SELECT) {
            SetPickName(segment);
        } else {
            SegmentColour(segment, colour);
            glColor3d(colour[0], colour[1], colour[2]);
        }
        run.Draw(m_flushPacer);
    }
}

void CKvtView::DrawTree(const SegmentPose& r, int mode, std::array<double, 3>& colour, Layer layer) {
    const bool moving =
        r.m_nSegment >= 0 && r.m_nSegment < kMaxSegments && m_moving[static_cast<std::size_t>(r.m_nSegment)];
    const bool drawn = layer == Layer::All || (layer == Layer::Moving) == moving;
    if (drawn && r.m_pJointCentre) {
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
    if (drawn) DrawSegmentLists(r.m_nSegment, 1, mode);
    for (const SegmentPose* child : r.m_pChildren) {
        glPushMatrix();
        DrawTree(*child, mode, colour, layer);
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
        const SegmentList& e = ShownList(i);
        const bool selected = m_figure.IsSelected(i);
        if (mode == GL_SELECT) {
            SetPickName(i);
        } else {
            if (selected && m_bSelectionShown)
                colour = m_selectColour;
            else
                SegmentColour(i, colour);
            glColor3d(colour[0], colour[1], colour[2]);
        }
        if (e.built && (mode != GL_SELECT || MayBeUnderCursor(e))) e.Draw(m_flushPacer);
        if (e.built && e.HasEdges() && mode == GL_RENDER && m_bOutline && selected)
            DrawOutline([&] { e.Draw(m_flushPacer); });
    }
}

// The silhouette of a segment in a colour no segment has, so a selected segment stands out even
// where it is red anyway (the shirt): its back faces drawn as wide lines, where they pass the
// depth test, show just around its edge.
void CKvtView::DrawOutline(const std::function<void()>& draw) {
    constexpr float kOutlineWidth = 5.0f; // pixels; half of it falls outside the segment
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_LINE_BIT | GL_DEPTH_BUFFER_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glPolygonMode(GL_BACK, GL_LINE);
    glLineWidth(kOutlineWidth);
    glDepthFunc(GL_LEQUAL);
    glColor3d(m_outlineColour[0], m_outlineColour[1], m_outlineColour[2]);
    draw();
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
    const NormalTable& normals = m_doc.Normals();
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
    std::vector<float>& band = m_bandVertices;
    band.clear();
    auto vertex = [&band](const Vec3f& v, const Vec3f& normal, float sign) {
        band.insert(band.end(), {v.x, v.y, v.z, sign * normal.x, sign * normal.y, sign * normal.z});
    };
    // Each triangle listed from its second corner, as the driver takes a three-cornered polygon
    // apart, so the band is drawn to the bit as polygons drew it.
    auto triangle = [&](const Corner& c0, bool p0, const Corner& c1, bool p1, const Corner& c2, bool p2,
                        float sign) {
        vertex(p1 ? c1.p : c1.q, p1 ? c1.b : c1.a, sign);
        vertex(p2 ? c2.p : c2.q, p2 ? c2.b : c2.a, sign);
        vertex(p0 ? c0.p : c0.q, p0 ? c0.b : c0.a, sign);
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
    constexpr GLsizei kStride = 6 * sizeof(float);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, kStride, band.data());
    glNormalPointer(GL_FLOAT, kStride, band.data() + 3);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(band.size() / 6));
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void CKvtView::paintGL() {
    // While the document reads a model or the figure is built (their progress lets the window
    // repaint), the last picture stays: the arrays and the figure may not match the document yet.
    if (KeepsPicture()) return;
    ++m_nPaints;
    if (m_bDragPaint && DragKeepsRestingPicture()) {
        DrawDragPicture();
    } else {
        // Any other paint may follow a change to the resting figure or the camera.
        m_bRestPictureValid = false;
        DrawPicture(m_background.redF(), m_background.greenF(), m_background.blueF(), m_background.alphaF());
    }
    glFlush();
    if (m_bFirstDraw) {
        RefreshToolbar(Refresh::FirstPaint);
        m_bFirstDraw = false;
    }
}

// The whole picture into the bound framebuffer, on a background of the given colour.
void CKvtView::DrawPicture(float red, float green, float blue, float alpha, Layer layer) {
    glClearColor(red, green, blue, alpha);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (m_bBackdrop && layer != Layer::Moving) DrawReference();
    DrawFilled(GL_RENDER, layer);
}

// The figure's faces filled with their back faces culled, from arrays brought up to date with it.
void CKvtView::DrawFilled(int mode, Layer layer) {
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    SyncSegmentLists();
    DrawScene(mode, layer);
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

void CKvtView::SetBackground(const QColor& colour) {
    m_background = colour;
    m_services.SaveSetting(kBackgroundSetting, colour.name(QColor::HexRgb).toStdString());
    InvalidateAndUpdateNow();
}

void CKvtView::OnInitialUpdate() {
    if (const std::string lens = m_services.Setting(kLensSetting); !lens.empty()) {
        m_camera.lens = Lens::FromText(lens);
        m_camera.fovy = m_camera.lens.FieldOfView();
    }
    if (const QColor background(QString::fromStdString(m_services.Setting(kBackgroundSetting)));
        background.isValid())
        m_background = background;
    if (const std::string units = m_services.Setting(kUnitsSetting); !units.empty())
        m_units = UnitOf(units).code;
    if (const std::string size = m_services.Setting(kHandleSizeSetting); !size.empty())
        m_nHandleSize = std::clamp(std::atoi(size.c_str()), 1, kLargestHandleSize);
    RestoreReference();
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
