#include "KvtView.h"

#include "SegmentNames.h"
#include "ViewWindow.h"

#include <GL/gl.h>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QWheelEvent>
#include <algorithm>

namespace figurant {

CKvtView::CKvtView(CKvtDoc& doc, IWindowServices& services, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_services(services) {
    // The scene rotation starts as the trackball's rotation for two equal points.
    Trackball(m_camera.curQuat, 0, 0, 0, 0);
    m_window = new ViewWindow(*this);
    m_container = QWidget::createWindowContainer(m_window, this);
    m_container->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_container);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(1, 1);
    // Moves without a button bring the pull handles near the cursor into sight.
    setMouseTracking(true);
}

CKvtView::~CKvtView() {
    if (isValid()) {
        makeCurrent();
        ReleaseGraphics();
        doneCurrent();
    }
    // The window and its context go before the members their calls would reach.
    QObject::disconnect(m_contextGone);
    delete m_container;
}

void CKvtView::makeCurrent() {
    m_window->makeCurrent();
}

void CKvtView::doneCurrent() {
    m_window->doneCurrent();
}

bool CKvtView::isValid() const {
    return m_window->isValid();
}

QOpenGLContext* CKvtView::context() const {
    return m_window->context();
}

QSurfaceFormat CKvtView::format() const {
    return m_window->format();
}

QWindow* CKvtView::GLWindow() const {
    return m_window;
}

QImage CKvtView::grabFramebuffer() {
    if (!isValid()) InvalidateAndUpdateNow();
    if (!isValid()) return {};
    return m_window->RenderNow();
}

void CKvtView::ReleaseSegmentLists() {
    // Their buffers are deleted in the context they were made in.
    if (isValid()) makeCurrent();
    for (SegmentList& e : m_segLists)
        e = SegmentList{};
    for (SegmentList& e : m_outlineLists)
        e = SegmentList{};
    m_nSegLists = 0;
}

// Arrays and off-screen targets live and die with the context, not with the model.
void CKvtView::ReleaseGraphics() {
    m_flatRuns.clear();
    ReleaseSegmentLists();
    m_characterList.Release();
    m_pickTarget.reset();
    m_restPicture.reset();
}

namespace {

// The commands the view handles, and what each does.
struct ViewCommand {
    int id;
    void (*run)(CKvtView&);
};

const ViewCommand kViewCommands[] = {
    {cmd::FileOpen, [](CKvtView& v) { v.OnFileOpen(); }},
    {cmd::FileSave, [](CKvtView& v) { v.OnFileSave(); }},
    {cmd::ExportPicture, [](CKvtView& v) { v.OnExportPicture(); }},
    {cmd::ExportFrames, [](CKvtView& v) { v.OnExportFrames(); }},
    {cmd::ExportBvh, [](CKvtView& v) { v.OnExportMotion(false); }},
    {cmd::ExportGltf, [](CKvtView& v) { v.OnExportMotion(true); }},
    {cmd::ExportControl, [](CKvtView& v) { v.OnExportControl(); }},
    {cmd::ReferencePicture, [](CKvtView& v) { v.OnReferencePicture(); }},
    {cmd::ReferencePictureOff, [](CKvtView& v) { v.OnReferencePictureOff(); }},
    {cmd::ViewKeyFrames, [](CKvtView& v) { v.OnViewKeyFrames(); }},
    {cmd::SegmentColours, [](CKvtView& v) { v.OnSegmentColours(); }},
    {cmd::ViewBones, [](CKvtView& v) { v.OnViewBones(); }},
    {cmd::DualQuaternionSkinning, [](CKvtView& v) { v.OnDualQuaternionSkinning(); }},
    {cmd::PlantFeet, [](CKvtView& v) { v.OnPlantFeet(); }},
    {cmd::FollowFigure, [](CKvtView& v) { v.OnFollowFigure(); }},
    {cmd::RotationGizmo, [](CKvtView& v) { v.OnRotationGizmo(); }},
    {cmd::GizmoWorldAxes, [](CKvtView& v) { v.OnGizmoWorldAxes(); }},
    {cmd::KeyFrameInsert, [](CKvtView& v) { v.OnInsertKeyFrame(); }},
    {cmd::KeyFrameReplace, [](CKvtView& v) { v.OnReplaceKeyFrame(); }},
    {cmd::KeyFrameDelete, [](CKvtView& v) { v.OnDeleteKeyFrame(); }},

    {cmd::RotateLeft, [](CKvtView& v) { v.RotateScene(-v.Camera().rotStep, 0, 0, 1); }},
    {cmd::RotateRight, [](CKvtView& v) { v.RotateScene(v.Camera().rotStep, 0, 0, 1); }},
    {cmd::RotateUp, [](CKvtView& v) { v.RotateScene(v.Camera().rotStep, 0, 1, 0); }},
    {cmd::RotateDown, [](CKvtView& v) { v.RotateScene(-v.Camera().rotStep, 0, 1, 0); }},
    {cmd::Reset, [](CKvtView& v) { v.OnReset(); }},
    {cmd::ZoomIn, [](CKvtView& v) { v.ZoomScene(v.Camera().zoomFactor); }},
    {cmd::ZoomOut, [](CKvtView& v) { v.ZoomScene(1.0f / v.Camera().zoomFactor); }},
    {cmd::Hierarchy, [](CKvtView& v) { v.OnHierarchy(); }},
    {cmd::ModeNormal, [](CKvtView& v) { v.OnModeNormal(); }},
    {cmd::ModeModify, [](CKvtView& v) { v.OnModeModify(); }},
    {cmd::Animate, [](CKvtView& v) { v.OnAnimate(); }},
    {cmd::EditUndo, [](CKvtView& v) { v.OnUndo(); }},
    {cmd::EditCopy, [](CKvtView& v) { v.OnEditCopy(); }},
    {cmd::EditRedo, [](CKvtView& v) { v.OnRedo(); }},
    {cmd::MirrorPose, [](CKvtView& v) { v.OnMirrorPose(); }},
    {cmd::FlipPose, [](CKvtView& v) { v.OnFlipPose(); }},
    {cmd::ResetPose, [](CKvtView& v) { v.OnResetPose(); }},
    {cmd::PinEnd, [](CKvtView& v) { v.OnTogglePin(); }},
    {cmd::ViewFront, [](CKvtView& v) { v.OnViewPreset(cmd::ViewFront); }},
    {cmd::ViewSide, [](CKvtView& v) { v.OnViewPreset(cmd::ViewSide); }},
    {cmd::ViewBack, [](CKvtView& v) { v.OnViewPreset(cmd::ViewBack); }},
    {cmd::ViewOtherSide, [](CKvtView& v) { v.OnViewPreset(cmd::ViewOtherSide); }},
    {cmd::ViewTop, [](CKvtView& v) { v.OnViewPreset(cmd::ViewTop); }},
    {cmd::ViewBottom, [](CKvtView& v) { v.OnViewPreset(cmd::ViewBottom); }},
    {cmd::ViewHome, [](CKvtView& v) { v.OnViewPreset(cmd::ViewHome); }},
};

const ViewCommand* FindCommand(int id) {
    for (const ViewCommand& c : kViewCommands)
        if (c.id == id) return &c;
    return nullptr;
}

// View > Camera: each item and its lens, as the settings store it.
struct LensCommand {
    int id;
    const char* lens;
};
constexpr LensCommand kLensCommands[] = {{cmd::CameraStandard, "standard"},
                                         {cmd::Camera50, "50"},
                                         {cmd::Camera85, "85"},
                                         {cmd::CameraOrthographic, "orthographic"}};

const LensCommand* FindLens(int id) {
    for (const LensCommand& l : kLensCommands)
        if (l.id == id) return &l;
    return nullptr;
}

const PlaybackRate* FindRate(int id) {
    for (const PlaybackRate& r : kPlaybackRates)
        if (r.commandId == id) return &r;
    return nullptr;
}

} // namespace

const PlaybackRate kPlaybackRates[5] = {{cmd::PlaybackRate10, 10},
                                        {cmd::PlaybackRate15, 15},
                                        {cmd::PlaybackRate24, 24},
                                        {cmd::PlaybackRate30, kDefaultPlaybackRate},
                                        {cmd::PlaybackRate60, 60}};

bool CKvtView::HasCommand(int id) const {
    return FindCommand(id) != nullptr || FindRate(id) != nullptr || FindLens(id) != nullptr;
}

void CKvtView::OnCommand(int id) {
    // Playback blocks every other command; Animate pressed again asks it to stop.
    if (m_bPlaying) {
        if (id == cmd::Animate) m_bPlaying = false;
        return;
    }
    if (const ViewCommand* c = FindCommand(id)) c->run(*this);
    if (const PlaybackRate* r = FindRate(id)) m_nPlaybackRate = r->framesPerSecond;
    if (const LensCommand* l = FindLens(id)) {
        SetLens(Lens::FromText(l->lens));
        m_services.SaveSetting(kLensSetting, l->lens);
    }
}

bool CKvtView::OnUpdateCommand(int id, CommandState& state) {
    if (const LensCommand* l = FindLens(id)) {
        state.checked = CurrentLens().Text() == l->lens;
        return true;
    }
    if (const PlaybackRate* r = FindRate(id)) {
        state.checked = r->framesPerSecond == m_nPlaybackRate;
        return true;
    }
    switch (id) {
    case cmd::Hierarchy:
        state.checked = m_nDisplayMode == DISPLAY_HIERARCHY;
        return true;
    case cmd::ReferencePictureOff:
        state.enabled = HasReference();
        return true;
    case cmd::ViewKeyFrames:
        state.checked = m_bShowKeyFrames;
        return true;
    case cmd::ViewBones:
        state.enabled = CharacterShown();
        state.checked = m_bShowBones && CharacterShown();
        return true;
    case cmd::SegmentColours:
        state.enabled = CharacterShown();
        state.checked = SegmentColoursShown();
        return true;
    case cmd::DualQuaternionSkinning:
        state.enabled = CharacterShown();
        state.checked = m_bDualQuaternion;
        return true;
    case cmd::PlantFeet:
        state.checked = m_bPlantFeet;
        return true;
    case cmd::FollowFigure:
        state.checked = m_bFollow;
        return true;
    case cmd::RotationGizmo:
        state.checked = m_bGizmo;
        return true;
    case cmd::GizmoWorldAxes:
        state.checked = m_bGizmoWorld;
        return true;
    case cmd::KeyFrameInsert:
        state.enabled = m_keys.has_value() && !m_bPlaying;
        return true;
    case cmd::KeyFrameReplace:
    case cmd::KeyFrameDelete:
        state.enabled = m_keys.has_value() && !m_bPlaying && SelectedKey() >= 0;
        return true;
    case cmd::ModeNormal:
        state.checked = m_nRenderMode == RENDER_NORMAL;
        return true;
    case cmd::ModeModify:
        state.checked = m_nRenderMode == RENDER_MODIFY;
        return true;
    case cmd::Animate:
        state.checked = m_bPlaying;
        return true;
    case cmd::EditUndo:
        if (KeyEditIsLatest(m_keyUndo)) {
            state.enabled = !m_bPlaying;
            state.text = "&Undo " + m_keyUndo.back().name + "\tCtrl+Z";
            return true;
        }
        state.enabled = m_figure.CanUndo() && !m_bPlaying;
        state.text = m_figure.CanUndo() ? "&Undo " + m_figure.UndoName() + "\tCtrl+Z" : "&Undo\tCtrl+Z";
        return true;
    case cmd::EditRedo:
        if (KeyEditIsLatest(m_keyRedo)) {
            state.enabled = !m_bPlaying;
            state.text = "&Redo " + m_keyRedo.back().name + "\tCtrl+Y";
            return true;
        }
        state.enabled = m_figure.CanRedo() && !m_bPlaying;
        state.text = m_figure.CanRedo() ? "&Redo " + m_figure.RedoName() + "\tCtrl+Y" : "&Redo\tCtrl+Y";
        return true;
    case cmd::MirrorPose:
        state.enabled = m_figure.IsBuilt() && m_nDisplayMode == DISPLAY_HIERARCHY &&
                        std::any_of(m_figure.Selection().begin(), m_figure.Selection().end(),
                                    [](int s) { return MirrorPartner(s).has_value(); });
        return true;
    case cmd::PinEnd:
        state.enabled = PinTarget().has_value() && HandlesShown();
        state.checked = PinTarget() && m_figure.IsPinned(*PinTarget());
        return true;
    case cmd::FlipPose:
    case cmd::ResetPose:
        state.enabled = m_figure.IsBuilt() && m_nDisplayMode == DISPLAY_HIERARCHY;
        return true;
    default:
        return false;
    }
}

void CKvtView::OnUpdate(int hint) {
    if (hint == HINT_NEW_DOCUMENT) {
        m_bAnimAvailable = false;
    } else if (hint == HINT_HIERARCHY_BUILT || hint == HINT_DXF_IMPORTED) {
        // A new model: the figure, its selection and its history belong to the old one.
        if (hint == HINT_DXF_IMPORTED) {
            m_figure.Clear();
            // The old figure's arrays go with it; on a large model they hold much memory.
            ReleaseSegmentLists();
        }
        m_nDisplayMode = hint == HINT_HIERARCHY_BUILT ? DISPLAY_HIERARCHY : DISPLAY_FLAT;
        if (isValid()) {
            makeCurrent();
            if (hint == HINT_HIERARCHY_BUILT)
                BuildSegmentLists();
            else
                BuildFlatLists();
        }
        InvalidateAndUpdateNow();
    }
    if (hint == HINT_DXF_IMPORTED || hint == HINT_NEW_DOCUMENT) RefreshBoneList();
    // A new document or model lets the strip's key frames go (they belong to the other figure).
    if (hint == HINT_NEW_DOCUMENT || hint == HINT_DXF_IMPORTED) RefreshKeyFrames();
    RefreshToolbar(Refresh::DocumentUpdate);
}

namespace {

// What a refresh does to the Animate button, in the flat picture and in the hierarchy.
enum class AnimateButton { Keep, Disable, FollowAnimation, EnableIfAnimation };
struct ToolbarRule {
    AnimateButton flat, hierarchy;
};
// Indexed by CKvtView::Refresh. The initial update leaves the button as the frame made it; the
// first paint only greys it in the flat picture; a document update makes it follow whether an
// animation is loaded; the Hierarchy command only ever enables it.
constexpr ToolbarRule kToolbarRules[] = {
    {AnimateButton::Disable, AnimateButton::FollowAnimation},   // DocumentUpdate
    {AnimateButton::Disable, AnimateButton::EnableIfAnimation}, // HierarchyCommand
    {AnimateButton::Disable, AnimateButton::Keep},              // FirstPaint
    {AnimateButton::Keep, AnimateButton::Keep},                 // InitialUpdate
};

} // namespace

void CKvtView::RefreshToolbar(Refresh where) {
    ShowStatus();
    const bool hierarchy = m_nDisplayMode != DISPLAY_FLAT;
    if (!hierarchy) {
        m_nRenderMode = RENDER_NORMAL;
        m_figure.ClearSelection();
        m_services.CheckToolButton(cmd::ModeModify, false);
    }
    m_services.CheckToolButton(cmd::Hierarchy, hierarchy);
    m_services.EnableToolButton(cmd::ModeModify, hierarchy);
    const ToolbarRule& rule = kToolbarRules[static_cast<int>(where)];
    switch (hierarchy ? rule.hierarchy : rule.flat) {
    case AnimateButton::Keep:
        break;
    case AnimateButton::Disable:
        m_services.EnableToolButton(cmd::Animate, false);
        break;
    case AnimateButton::FollowAnimation:
        m_services.EnableToolButton(cmd::Animate, m_bAnimAvailable);
        break;
    case AnimateButton::EnableIfAnimation:
        if (m_bAnimAvailable) m_services.EnableToolButton(cmd::Animate, true);
        break;
    }
}

void CKvtView::InvalidateAndUpdateNow() {
    if (!isVisible()) return;
    // The paint event is handled at once: the window draws and swaps before this returns.
    QPaintEvent paint(QRect(QPoint(0, 0), m_window->size()));
    QCoreApplication::sendEvent(m_window, &paint);
}

QImage CKvtView::RenderImage(bool outline) {
    m_bOutline = outline;
    QImage picture = grabFramebuffer();
    m_bOutline = true;
    return picture;
}

void CKvtView::initializeGL() {
    m_contextGone = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
        makeCurrent();
        ReleaseGraphics();
        doneCurrent();
    });
    OnInitialUpdate();
}

void CKvtView::resizeGL(int width, int height) {
    OnSize(width, height);
}

void CKvtView::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        OnLeftButtonDown(p.x(), p.y(), event->modifiers() & Qt::ShiftModifier,
                         event->modifiers() & Qt::ControlModifier);
    if (event->button() == Qt::MiddleButton && (event->modifiers() & Qt::ShiftModifier)) {
        m_bPanDrag = true;
        m_lastX = p.x();
        m_lastY = p.y();
    } else if (event->button() == Qt::MiddleButton) {
        OnMiddleButtonDown(p.x(), p.y());
    }
    if (event->button() == Qt::RightButton) {
        m_bRightDown = true;
        m_bOrbited = false;
        m_lastX = p.x();
        m_lastY = p.y();
    }
    // Clicks in the OpenGL window reach here as sent events, which give no focus by themselves.
    setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}

void CKvtView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) OnLeftButtonUp();
    if (event->button() == Qt::MiddleButton) {
        OnMiddleButtonUp();
        m_bPanDrag = false;
    }
    if (event->button() == Qt::RightButton && m_bRightDown) {
        m_bRightDown = false;
        if (!m_bOrbited && onContextMenu) {
            NoteMenuAt(event->position().toPoint().x(), event->position().toPoint().y());
            onContextMenu(event->globalPosition().toPoint());
        }
    }
    QWidget::mouseReleaseEvent(event);
}

void CKvtView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const int dx = p.x() - m_lastX, dy = p.y() - m_lastY;
    if (m_bPanDrag && (event->buttons() & Qt::MiddleButton)) {
        PanScene(dx, dy);
        m_lastX = p.x();
        m_lastY = p.y();
    } else if (m_bRightDown && (event->buttons() & Qt::RightButton)) {
        if (dx != 0 || dy != 0) {
            m_bOrbited = true;
            OrbitScene(dx, dy);
        }
        m_lastX = p.x();
        m_lastY = p.y();
    } else {
        m_bShiftHeld = event->modifiers() & Qt::ShiftModifier;
        OnMouseMove(p.x(), p.y(), event->buttons() & Qt::LeftButton);
        if (event->buttons() == Qt::NoButton && HandlesShown()) HoverAt(p.x(), p.y());
    }
    QWidget::mouseMoveEvent(event);
}

void CKvtView::wheelEvent(QWheelEvent* event) {
    constexpr double kNotch = 120.0; // angle delta of one wheel notch, in eighths of a degree
    OnWheel(event->angleDelta().y() / kNotch);
    event->accept();
}

namespace {

// The keypad's view keys, with NumLock on (digits) and off (what the same keys then send); Ctrl
// turns each view round. The toolkit does not match keypad shortcuts here, so the view reads them.
struct KeypadView {
    int digit, unlocked, commandId, withCtrl;
};
constexpr KeypadView kKeypadViews[] = {
    {Qt::Key_1, Qt::Key_End, cmd::ViewFront, cmd::ViewBack},
    {Qt::Key_3, Qt::Key_PageDown, cmd::ViewSide, cmd::ViewOtherSide},
    {Qt::Key_7, Qt::Key_Home, cmd::ViewTop, cmd::ViewBottom},
};

std::optional<int> KeypadViewCommand(const QKeyEvent& key) {
    if (!(key.modifiers() & Qt::KeypadModifier)) return std::nullopt;
    for (const KeypadView& k : kKeypadViews)
        if (key.key() == k.digit || key.key() == k.unlocked)
            return key.modifiers() & Qt::ControlModifier ? k.withCtrl : k.commandId;
    return std::nullopt;
}

} // namespace

// A keypad view key is the view's, before any shortcut that the same key would match ("Home").
bool CKvtView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && KeypadViewCommand(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

// Ctrl shows the pull handles while it is held.
void CKvtView::ShowCtrlHeld(bool held) {
    if (held == m_bCtrlHeld) return;
    m_bCtrlHeld = held;
    if (HandlesShown()) InvalidateAndUpdateNow();
}

void CKvtView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Control) ShowCtrlHeld(false);
    QWidget::keyReleaseEvent(event);
}

void CKvtView::focusOutEvent(QFocusEvent* event) {
    ShowCtrlHeld(false);
    QWidget::focusOutEvent(event);
}

void CKvtView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Control) ShowCtrlHeld(true);
    if (const auto view = KeypadViewCommand(*event)) {
        OnViewPreset(*view);
        event->accept();
        return;
    }
    // Without a selection a key does nothing at all, not even the default handling.
    if (!m_figure.HasSelection()) {
        event->accept();
        return;
    }
    OnKeyDown(event->key());
    QWidget::keyPressEvent(event);
}

// A right click opens the menu when the button is released (a right drag orbits instead); the
// keyboard's Menu key opens it at the centre of the view.
void CKvtView::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() != QContextMenuEvent::Keyboard) return;
    m_menuHandle.reset();
    if (onContextMenu) onContextMenu(mapToGlobal(rect().center()));
}

} // namespace figurant
