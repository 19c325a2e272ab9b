// Camera placement, view volume, resizing and the camera commands.
#include "KvtView.h"
#include "SceneMath.h"
#include "Trackball.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>

namespace figurant {

Box CKvtView::ModelBox() const {
    return m_doc.Model() ? m_doc.Model()->Bounds() : Box{};
}

void CKvtView::ComputeViewVolume() {
    m_camera.volume = figurant::ComputeViewVolume(ModelBox().Extent());
}

void CKvtView::OnSize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    ViewCamera& c = m_camera;
    // Until a model gives the view a size, the client size stands in for the viewport.
    if (c.viewportW == 0 || c.viewportH == 0) {
        c.viewportW = width;
        c.viewportH = height;
        c.aspect = static_cast<double>(width) / height;
    }
    if (c.volume.extentZ < 0) {
        const Vec3f extent = ModelBox().Extent();
        c.volume.extentZ = extent.z;
        c.volume.extentY = extent.y;
        c.volume.extentX = extent.x;
        if (std::fabs(c.volume.extentZ) < 1e-8 && std::fabs(c.volume.extentY) < 1e-8 &&
            std::fabs(c.volume.extentX) < 1e-8) {
            c.volume.extentZ = -1.0f;
            return;
        }
    }
    ComputeViewVolume();
    c.viewportW = width;
    c.viewportH = height;
    glViewport(0, 0, width, height);
    c.aspect = static_cast<double>(width) / height;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    MultProjection();
    glMatrixMode(GL_MODELVIEW);
}

double CKvtView::HalfHeightAt(double depth) const {
    return figurant::HalfHeightAt(m_camera.lens, m_camera.volume, depth);
}

// The lens's projection on top of the current matrix (GLU's own for a perspective lens, so the
// standard picture stays the same to the bit).
void CKvtView::MultProjection() const {
    const ViewCamera& c = m_camera;
    if (c.lens.Orthographic()) {
        const double h = HalfHeightAt(0);
        glOrtho(-h * c.aspect, h * c.aspect, -h, h, c.volume.zNear, c.volume.zFar);
    } else {
        gluPerspective(c.fovy, c.aspect, c.volume.zNear, c.volume.zFar);
    }
}

void CKvtView::SetLens(const Lens& lens) {
    // Between perspective lenses the eye stays, as a pinhole camera's would; to and from the
    // orthographic lens, which has no eye, the figure keeps the size it shows.
    if (lens.Orthographic() != m_camera.lens.Orthographic()) {
        const double depth = std::fabs(m_camera.sceneMatrix[14]);
        const Lens& perspective = lens.Orthographic() ? m_camera.lens : lens;
        const double perspectiveHalf = figurant::HalfHeightAt(perspective, m_camera.volume, depth);
        const double orthographicHalf =
            figurant::HalfHeightAt(lens.Orthographic() ? lens : m_camera.lens, m_camera.volume, depth);
        if (perspectiveHalf > 0 && orthographicHalf > 0)
            m_camera.sceneMatrix =
                SceneScaled(m_camera.sceneMatrix,
                            static_cast<float>(lens.Orthographic() ? orthographicHalf / perspectiveHalf
                                                                   : perspectiveHalf / orthographicHalf));
    }
    m_camera.lens = lens;
    m_camera.fovy = lens.FieldOfView();
    makeCurrent();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    MultProjection();
    glMatrixMode(GL_MODELVIEW);
    InvalidateAndUpdateNow();
}

// Places the eye in front of the model and leaves the viewing matrix in the model-view matrix,
// which fixes the lights set up next to the camera.
void CKvtView::SetupCamera() {
    ViewCamera& c = m_camera;
    if (c.volume.extentZ < 0) ComputeViewVolume();
    c.eye = {0, -(1.5 * c.volume.extentZ + c.volume.camDist), 0};
    if (!m_doc.Model()) return;
    c.modelCentre = m_doc.Model()->Bounds().Centre();
    c.centre = {0, 0, 0};
    Vec3f d{static_cast<float>(c.centre[0] - c.eye[0]), static_cast<float>(c.centre[1] - c.eye[1]),
            static_cast<float>(c.centre[2] - c.eye[2])};
    NormalizeF(d);
    const Vec3f z{0, 0, 1};
    const float along = DotF(z, d);
    c.up = {-along * d.x, -along * d.y, 1 - along * d.z};
    c.sceneMatrix = StartMatrix();
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(LookAtMatrix().data());
}

Matrix4 CKvtView::LookAtMatrix() const {
    const ViewCamera& c = m_camera;
    return LookAt({c.eye[0], c.eye[1], c.eye[2]}, {c.centre[0], c.centre[1], c.centre[2]},
                  {c.up[0], c.up[1], c.up[2]});
}

// The look-at places the eye far enough back for any turn of the model, which leaves an upright
// figure small; the start view zooms in on top of it, so every camera command keeps its meaning.
float CKvtView::StartZoom() const {
    const ViewCamera& c = m_camera;
    return FramingZoom(
        {c.volume.extentX * c.modelScale, c.volume.extentY * c.modelScale, c.volume.extentZ * c.modelScale});
}

// The zoom that makes a box of this extent (view units) about the origin fill the start share of
// the view, measured at the front of the box.
float CKvtView::FramingZoom(const Vec3f& extent) const {
    return figurant::FramingZoom(m_camera.lens, m_camera.volume, extent, m_camera.aspect);
}

Matrix4 CKvtView::StartMatrix() {
    return SceneScaled(LookAtMatrix(), StartZoom());
}

// Home frames the figure as it stands: a raised hand stays in view. At rest that is the start view.
Matrix4 CKvtView::HomeMatrix() {
    const std::optional<Box> posed =
        FigureShown() && !m_figure.IsAtRest() ? m_figure.PosedBounds() : std::nullopt;
    if (!posed) return StartMatrix();
    Matrix4 m = SceneScaled(LookAtMatrix(), FramingZoom(posed->Extent()));
    const Vec3f centre = posed->Centre();
    MultMatrix(m, Matrix4::Translation(-centre.x, -centre.y, -centre.z));
    return m;
}

namespace {

// Degrees of orbit per pixel of drag, and the zoom of one wheel notch.
constexpr float kOrbitDegreesPerPixel = 0.5f;
constexpr double kWheelZoomPerNotch = 1.1;

// Each preset command and the view it shows (Home is the front, framed as the figure stands).
struct PresetCommand {
    int id;
    const char* view;
};
const PresetCommand kPresets[] = {
    {cmd::ViewFront, "front"},         {cmd::ViewSide, "side"}, {cmd::ViewBack, "back"},
    {cmd::ViewOtherSide, "otherside"}, {cmd::ViewTop, "top"},   {cmd::ViewBottom, "bottom"},
    {cmd::ViewHome, "front"},
};

} // namespace

void CKvtView::OnViewPreset(int commandId) {
    if (m_bPlaying || !m_doc.Model()) return;
    for (const PresetCommand& command : kPresets) {
        if (command.id != commandId) continue;
        const ViewPreset& p = *FindViewPreset(command.view);
        ViewCamera& c = m_camera;
        if (c.volume.extentZ < 0) ComputeViewVolume();
        Trackball(c.curQuat, 0, 0, 0, 0);
        c.sceneRotX = c.sceneRotZ = 0;
        const Matrix4 start = commandId == cmd::ViewHome ? HomeMatrix() : StartMatrix();
        c.sceneMatrix = SceneTilted(SceneRotated(start, p.turn, 0, 0, 1), p.tilt);
    }
    InvalidateAndUpdateNow();
}

void CKvtView::OnWheel(double notches) {
    if (m_bPlaying || notches == 0) return;
    m_camera.sceneMatrix =
        SceneZoomedAtCentre(m_camera.sceneMatrix, static_cast<float>(std::pow(kWheelZoomPerNotch, notches)));
    InvalidateAndUpdateNow();
}

void CKvtView::OrbitScene(int dx, int dy) {
    if (m_bPlaying) return;
    ViewCamera& c = m_camera;
    c.sceneMatrix = SceneTilted(SceneRotated(c.sceneMatrix, dx * kOrbitDegreesPerPixel, 0, 0, 1),
                                dy * kOrbitDegreesPerPixel);
    InvalidateAndUpdateNow();
}

void CKvtView::PanScene(int dx, int dy) {
    ViewCamera& c = m_camera;
    if (m_bPlaying || c.viewportH <= 0) return;
    // Eye units per pixel at the depth of the model's centre.
    const double depth = std::fabs(c.sceneMatrix[14]);
    const double unit = 2 * HalfHeightAt(depth) / c.viewportH;
    c.sceneMatrix = ScenePanned(c.sceneMatrix, static_cast<float>(dx * unit), static_cast<float>(-dy * unit));
    InvalidateAndUpdateNow();
}

// Rotations and zooms act on the model side of everything already in the scene matrix.
void CKvtView::RotateScene(float angle, float x, float y, float z) {
    if (m_bPlaying) return;
    ViewCamera& c = m_camera;
    c.rotAngle = angle;
    c.rotAxis = {x, y, z};
    c.sceneMatrix = SceneRotated(c.sceneMatrix, c.rotAngle, c.rotAxis[0], c.rotAxis[1], c.rotAxis[2]);
    InvalidateAndUpdateNow();
}

void CKvtView::ZoomScene(float factor) {
    m_camera.sceneMatrix = SceneScaled(m_camera.sceneMatrix, factor);
    InvalidateAndUpdateNow();
}

// The camera goes back to its start and the figure's matrices to rest; the trackball stays. The
// figure's part is one undoable step.
void CKvtView::OnReset() {
    makeCurrent();
    SetupCamera();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    MultProjection();
    glMatrixMode(GL_MODELVIEW);
    if (m_nSegLists > 0) m_figure.ResetMatrices();
    PoseChanged();
}

} // namespace figurant
