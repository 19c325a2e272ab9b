#include "KvtView.h"

#include <GL/gl.h>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>

namespace figurant {

CKvtView::CKvtView(CKvtDoc& doc, IWindowServices& services, QWidget* parent)
    : QOpenGLWidget(parent), m_pose(std::make_unique<PoseArray>()), m_doc(doc), m_services(services) {
    // The scene rotation starts as the trackball's rotation for two equal points.
    Trackball(m_curQuat, 0, 0, 0, 0);
    // Opaque like a window of its own: the black clear colour is what the user sees.
    setTextureFormat(GL_RGB8);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(1, 1);
}

CKvtView::~CKvtView() {
    if (isValid()) {
        makeCurrent();
        ReleaseDisplayLists();
        doneCurrent();
    }
}

// Display lists live and die with the context, not with the model.
void CKvtView::ReleaseDisplayLists() {
    for (int i = 0; i < m_nFlatLists; ++i)
        glDeleteLists(m_flatLists[static_cast<std::size_t>(i)], 1);
    m_nFlatLists = 0;
    m_flatLists.clear();
    m_flatListSegments.clear();
    for (SegmentList& e : m_segLists) {
        if (e.built) glDeleteLists(e.list, 1);
        e.built = 0;
        e.list = 0;
    }
}

bool CKvtView::HasCommand(int id) const {
    switch (id) {
    case cmd::FileOpen:
    case cmd::FileSave:
    case cmd::FilePrint:
    case cmd::PrintAlias:
    case cmd::RotateLeft:
    case cmd::RotateRight:
    case cmd::RotateUp:
    case cmd::RotateDown:
    case cmd::Reset:
    case cmd::ZoomIn:
    case cmd::ZoomOut:
    case cmd::Hierarchy:
    case cmd::ModeNormal:
    case cmd::ModeModify:
    case cmd::Animate:
        return true;
    default:
        return false;
    }
}

void CKvtView::OnCommand(int id) {
    // Playback blocks every other command; Animate pressed again asks it to stop.
    if (m_bPlaying) {
        if (id == cmd::Animate) m_bPlaying = 0;
        return;
    }
    const bool turnsAllowed = !m_bPlaying;
    switch (id) {
    case cmd::FileOpen:
        OnFileOpen();
        break;
    case cmd::FileSave:
        OnFileSave();
        break;
    case cmd::FilePrint:
    case cmd::PrintAlias:
        break;
    case cmd::RotateLeft:
        if (turnsAllowed) RotateScene(-m_rotStep, 0, 0, 1);
        break;
    case cmd::RotateRight:
        if (turnsAllowed) RotateScene(m_rotStep, 0, 0, 1);
        break;
    case cmd::RotateUp:
        if (turnsAllowed) RotateScene(m_rotStep, 0, 1, 0);
        break;
    case cmd::RotateDown:
        if (turnsAllowed) RotateScene(-m_rotStep, 0, 1, 0);
        break;
    case cmd::Reset:
        OnReset();
        break;
    case cmd::ZoomIn:
        ZoomScene(m_zoomFactor);
        break;
    case cmd::ZoomOut:
        ZoomScene(1.0f / m_zoomFactor);
        break;
    case cmd::Hierarchy:
        OnHierarchy();
        break;
    case cmd::ModeNormal:
        OnModeNormal();
        break;
    case cmd::ModeModify:
        OnModeModify();
        break;
    case cmd::Animate:
        OnAnimate();
        break;
    default:
        break;
    }
}

bool CKvtView::OnUpdateCommand(int id, CommandState& state) {
    switch (id) {
    case cmd::Hierarchy:
        state.checked = m_nDisplayMode == DISPLAY_HIERARCHY;
        return true;
    case cmd::ModeNormal:
        state.checked = m_nRenderMode == RENDER_NORMAL;
        return true;
    case cmd::ModeModify:
        state.checked = m_nRenderMode == RENDER_MODIFY;
        return true;
    case cmd::Animate:
        state.checked = m_bPlaying != 0;
        return true;
    default:
        return false;
    }
}

void CKvtView::OnUpdate(int hint) {
    if (hint == HINT_NEW_DOCUMENT) {
        m_bAnimAvailable = 0;
    } else if (hint == HINT_HIERARCHY_BUILT || hint == HINT_DXF_IMPORTED) {
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
    RefreshToolbar(Refresh::DocumentUpdate);
}

void CKvtView::RefreshToolbar(Refresh where) {
    if (m_nDisplayMode == DISPLAY_FLAT) {
        m_services.CheckToolButton(cmd::Hierarchy, false);
        m_nRenderMode = RENDER_NORMAL;
        m_nSelected = 0;
        m_services.CheckToolButton(cmd::ModeModify, false);
        m_services.EnableToolButton(cmd::ModeModify, false);
        if (where != Refresh::InitialUpdate) m_services.EnableToolButton(cmd::Animate, false);
        return;
    }
    m_services.CheckToolButton(cmd::Hierarchy, true);
    m_services.EnableToolButton(cmd::ModeModify, true);
    if (where == Refresh::DocumentUpdate)
        m_services.EnableToolButton(cmd::Animate, m_bAnimAvailable != 0);
    else if (where == Refresh::HierarchyCommand && m_bAnimAvailable)
        m_services.EnableToolButton(cmd::Animate, true);
}

void CKvtView::InvalidateAndUpdateNow() {
    if (isVisible()) repaint();
}

QImage CKvtView::RenderImage() {
    return grabFramebuffer();
}

void CKvtView::initializeGL() {
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
        makeCurrent();
        ReleaseDisplayLists();
        m_nSegLists = 0;
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
        OnLeftButtonDown(p.x(), p.y(), event->modifiers() & Qt::ShiftModifier);
    if (event->button() == Qt::MiddleButton) OnMiddleButtonDown(p.x(), p.y());
    QOpenGLWidget::mousePressEvent(event);
}

void CKvtView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) OnMiddleButtonUp();
    QOpenGLWidget::mouseReleaseEvent(event);
}

void CKvtView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    OnMouseMove(p.x(), p.y(), event->buttons() & Qt::LeftButton);
    QOpenGLWidget::mouseMoveEvent(event);
}

void CKvtView::keyPressEvent(QKeyEvent* event) {
    // Without a selection a key does nothing at all, not even the default handling.
    if (m_nSelected == 0) {
        event->accept();
        return;
    }
    OnKeyDown(event->key());
    QOpenGLWidget::keyPressEvent(event);
}

void CKvtView::contextMenuEvent(QContextMenuEvent* event) {
    // A request from the keyboard carries no mouse position.
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard ? QPoint(-1, -1) : event->globalPos();
    if (onContextMenu) onContextMenu(at);
}

} // namespace figurant
