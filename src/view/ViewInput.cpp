// Picking, the pose keys, dragging and the mode commands.
#include "KvtView.h"

#include <GL/gl.h>
#include <QKeyEvent>
#include <cmath>
#include <limits>

namespace figurant {

namespace {

// The pose keys: a turn about an axis, a move along one (in tenths of the model size), or a twist.
struct PoseKey {
    int key;
    PoseKeyStep step;
};

const PoseKey kPoseKeys[] = {
    {Qt::Key_PageUp, {PoseKeyStep::Turn, 0, 10}}, {Qt::Key_PageDown, {PoseKeyStep::Turn, 0, -10}},
    {Qt::Key_Left, {PoseKeyStep::Turn, 2, 10}},   {Qt::Key_Right, {PoseKeyStep::Turn, 2, -10}},
    {Qt::Key_Up, {PoseKeyStep::Turn, 1, -10}},    {Qt::Key_Down, {PoseKeyStep::Turn, 1, 10}},
    {Qt::Key_B, {PoseKeyStep::Move, 0, 1}},       {Qt::Key_F, {PoseKeyStep::Move, 0, -1}},
    {Qt::Key_R, {PoseKeyStep::Move, 1, 1}},       {Qt::Key_L, {PoseKeyStep::Move, 1, -1}},
    {Qt::Key_U, {PoseKeyStep::Move, 2, 1}},       {Qt::Key_D, {PoseKeyStep::Move, 2, -1}},
    {Qt::Key_T, {PoseKeyStep::Twist, 0, 4.0f}},   {Qt::Key_W, {PoseKeyStep::Twist, 0, -4.0f}},
};

constexpr const char* kModifyHint =
    "Click a segment to pick it; hold Ctrl and drag a hand, a foot, the head or the pelvis to pull it";

// Pins or unpins the selected hand or foot.
constexpr int kPinKey = Qt::Key_P;

// Integer division truncating towards zero and a remainder with the dividend's sign, as C does.
int DragAngle(int pixels) {
    return (pixels / 4) % 360;
}

int ClampToInt(double v) {
    if (!(std::fabs(v) < static_cast<double>(std::numeric_limits<int>::max()))) return 0;
    return static_cast<int>(v);
}

} // namespace

void CKvtView::OnLeftButtonDown(int x, int y, bool shift, bool ctrl) {
    m_lastX = x;
    m_lastY = y;
    // A drag from here to the release is one step, named after what the press selects.
    OnLeftButtonUp();
    m_bDragging = true;
    if (m_nRenderMode == RENDER_NORMAL) {
        m_figure.BeginDrag();
        return;
    }
    m_dragRot[0] = m_dragRot[2] = 0;
    if (BeginGizmoAt(x, y)) {
        InvalidateAndUpdateNow();
        return;
    }
    if (BeginPullAt(x, y, ctrl)) {
        InvalidateAndUpdateNow();
        ShowStatus();
        return;
    }
    PickAt(x, y, shift);
    m_figure.BeginDrag();
    InvalidateAndUpdateNow();
    ShowStatus();
}

void CKvtView::OnLeftButtonUp() {
    if (!m_bDragging) return;
    m_bDragging = false;
    EndGizmo();
    EndPull();
    m_figure.EndDrag();
    ShowStatus();
}

void CKvtView::OnMiddleButtonDown(int x, int y) {
    m_lastX = x;
    m_lastY = y;
    m_bTrackballDrag = true;
}

void CKvtView::OnMiddleButtonUp() {
    m_bTrackballDrag = false;
}

void CKvtView::OnMouseMove(int x, int y, bool leftButton) {
    ViewCamera& c = m_camera;
    if (m_bTrackballDrag && (x != m_lastX || y != m_lastY) && c.viewportW > 0 && c.viewportH > 0) {
        const auto w = static_cast<float>(c.viewportW), h = static_cast<float>(c.viewportH);
        Trackball(c.lastQuat, (2 * m_lastX - w) / w, (h - 2 * m_lastY) / h, (2 * x - w) / w, (h - 2 * y) / h);
        AddQuats(c.lastQuat, c.curQuat, c.curQuat, c.quatAdditions);
        InvalidateAndUpdateNow();
    }
    if (leftButton && (m_gizmoDrag || m_moveDrag)) {
        GizmoDragTo(x, y);
    } else if (leftButton && Pulling()) {
        PullAt(x, y);
        m_bDragPaint = true;
        InvalidateAndUpdateNow();
        m_bDragPaint = false;
        ShowStatus();
    } else if (leftButton) {
        const int dx = x - m_lastX, dy = y - m_lastY;
        if (!m_figure.HasSelection()) {
            c.sceneRotX = (c.sceneRotX + dy / 4) % 360;
            c.sceneRotZ = (c.sceneRotZ + dx / 4) % 360;
        } else {
            m_dragRot[0] = DragAngle(dy);
            // The turn about y mixes a pixel row with half the model's width (a length in
            // metres); it stays near zero for ordinary drags. Guarded against a zero divisor and
            // numbers beyond an int.
            const double divisor = y - 0.5 * c.volume.extentX;
            m_dragRot[1] = std::fabs(divisor) > 1e-9 ? ClampToInt(4.0 * dy / divisor) % 360 : 0;
            m_dragRot[2] = DragAngle(dx);
            if (!m_bDragging) m_figure.BeginDrag(); // a drag whose press the view did not see
            m_bDragging = true;
            m_figure.Drag(m_dragRot[0], m_dragRot[1], m_dragRot[2]);
        }
        m_bDragPaint = m_figure.HasSelection();
        InvalidateAndUpdateNow();
        m_bDragPaint = false;
        if (m_figure.HasSelection()) ShowStatus();
    }
    m_lastX = x;
    m_lastY = y;
}

bool CKvtView::OnKeyDown(int qtKey) {
    if (!m_figure.HasSelection()) return true;
    if (qtKey == kPinKey) {
        OnTogglePin();
        return true;
    }
    const PoseKey* found = nullptr;
    for (const PoseKey& k : kPoseKeys)
        if (k.key == qtKey) found = &k;
    if (!found) return false;
    if (!m_figure.IsBuilt()) return true;
    if (found->step.kind == PoseKeyStep::Twist) m_twistAngle = found->step.amount;
    m_figure.ApplyPoseKey(found->step, static_cast<float>(0.1 * m_camera.volume.modelSize));
    PoseChanged();
    return true;
}

// The figure outlives a switch to the flat picture, which shows it as posed; coming back finds
// the same pose. Only a figure not built yet for this model is built here.
void CKvtView::OnHierarchy() {
    if (m_nDisplayMode == DISPLAY_HIERARCHY) {
        m_nDisplayMode = DISPLAY_FLAT;
        if (!FigureShown()) BuildFlatLists();
    } else if (FigureShown()) {
        m_nDisplayMode = DISPLAY_HIERARCHY;
    } else {
        m_services.SetWaitCursor(true);
        m_nDisplayMode = DISPLAY_HIERARCHY;
        const BuildingFigure building(*this);
        m_doc.BuildHierarchy();
        building.Report(1);
        makeCurrent();
        BuildSegmentLists();
        m_services.SetWaitCursor(false);
    }
    RefreshToolbar(Refresh::HierarchyCommand);
    InvalidateAndUpdateNow();
}

void CKvtView::OnModeNormal() {
    m_nRenderMode = RENDER_NORMAL;
    m_services.CheckToolButton(cmd::ModeModify, false);
    ShowStatus();
}

// The selection is emptied, so the picture is drawn again at once (from the toolbar no menu
// closes to do it).
void CKvtView::OnModeModify() {
    m_figure.ClearSelection();
    m_nRenderMode = m_nRenderMode == RENDER_MODIFY ? RENDER_NORMAL : RENDER_MODIFY;
    m_services.CheckToolButton(cmd::ModeModify, m_nRenderMode == RENDER_MODIFY);
    InvalidateAndUpdateNow();
    ShowStatus();
    // The pull handles stay out of sight until asked for: say how.
    if (HandlesShown()) m_services.ShowStatusMessage(kModifyHint);
}

} // namespace figurant
