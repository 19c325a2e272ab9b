// Picking, the pose keys, dragging and the mode commands.
#include "JointMath.h"
#include "KvtView.h"
#include "PickHits.h"

#include <GL/gl.h>
#include <QKeyEvent>
#include <cmath>
#include <limits>

namespace figurant {

namespace {

constexpr int kPickBufferWords = 512;

// What one pose key does: the increments of the first selected segment and the matrix each
// selected segment gets (a turn about an axis, a move along one, or a twist).
struct PoseKey {
    int key;
    enum Kind { Turn, Move, Twist } kind;
    int axis;     // 0 x, 1 y, 2 z
    float amount; // degrees (turn, twist), or steps of a tenth of the model size (move)
};

const PoseKey kPoseKeys[] = {
    {Qt::Key_PageUp, PoseKey::Turn, 0, 10}, {Qt::Key_PageDown, PoseKey::Turn, 0, -10},
    {Qt::Key_Left, PoseKey::Turn, 2, 10},   {Qt::Key_Right, PoseKey::Turn, 2, -10},
    {Qt::Key_Up, PoseKey::Turn, 1, -10},    {Qt::Key_Down, PoseKey::Turn, 1, 10},
    {Qt::Key_B, PoseKey::Move, 0, 1},       {Qt::Key_F, PoseKey::Move, 0, -1},
    {Qt::Key_R, PoseKey::Move, 1, 1},       {Qt::Key_L, PoseKey::Move, 1, -1},
    {Qt::Key_U, PoseKey::Move, 2, 1},       {Qt::Key_D, PoseKey::Move, 2, -1},
    {Qt::Key_T, PoseKey::Twist, 0, 4.0f},   {Qt::Key_W, PoseKey::Twist, 0, -4.0f},
};

// Integer division truncating towards zero and a remainder with the dividend's sign, as C does.
int DragAngle(int pixels) {
    return (pixels / 4) % 360;
}

int ClampToInt(double v) {
    if (!(std::fabs(v) < static_cast<double>(std::numeric_limits<int>::max()))) return 0;
    return static_cast<int>(v);
}

} // namespace

void CKvtView::OnLeftButtonDown(int x, int y, bool shift) {
    m_lastX = x;
    m_lastY = y;
    if (m_nRenderMode == RENDER_NORMAL) return;
    m_dragRot[0] = m_dragRot[2] = 0;
    makeCurrent();
    std::array<GLuint, kPickBufferWords> buffer{};
    glSelectBuffer(kPickBufferWords, buffer.data());
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(0);
    DrawScene(GL_SELECT);
    glFlush();
    const GLint hits = glRenderMode(GL_RENDER);
    // An overflowing buffer reports a negative count: treated as a miss.
    const auto picked = NearestName(DecodeSelectBuffer(buffer.data(), kPickBufferWords, hits));
    if (!shift) m_nSelected = 0;
    if (picked && !IsSelected(static_cast<int>(*picked)) && m_nSelected < kMaxSegments)
        m_selected[static_cast<std::size_t>(m_nSelected++)] = static_cast<int>(*picked);
    InvalidateAndUpdateNow();
}

void CKvtView::OnMiddleButtonDown(int x, int y) {
    m_lastX = x;
    m_lastY = y;
    m_bTrackballDrag = 1;
}

void CKvtView::OnMiddleButtonUp() {
    m_bTrackballDrag = 0;
}

void CKvtView::OnMouseMove(int x, int y, bool leftButton) {
    if (m_bTrackballDrag && (x != m_lastX || y != m_lastY) && m_viewportW > 0 && m_viewportH > 0) {
        const auto w = static_cast<float>(m_viewportW), h = static_cast<float>(m_viewportH);
        Trackball(m_lastQuat, (2 * m_lastX - w) / w, (h - 2 * m_lastY) / h, (2 * x - w) / w, (h - 2 * y) / h);
        AddQuats(m_lastQuat, m_curQuat, m_curQuat);
        InvalidateAndUpdateNow();
    }
    if (leftButton) {
        const int dx = x - m_lastX, dy = y - m_lastY;
        if (m_nSelected == 0) {
            m_sceneRotX = (m_sceneRotX + dy / 4) % 360;
            m_sceneRotZ = (m_sceneRotZ + dx / 4) % 360;
        } else {
            m_dragRot[0] = DragAngle(dy);
            // A pixel row less half the model's width, as the program always had it; guarded
            // against a zero divisor and numbers beyond an int.
            const double divisor = y - 0.5 * m_extentX;
            m_dragRot[1] = std::fabs(divisor) > 1e-9 ? ClampToInt(4.0 * dy / divisor) % 360 : 0;
            m_dragRot[2] = DragAngle(dx);
            RotateSelection();
        }
        InvalidateAndUpdateNow();
    }
    m_lastX = x;
    m_lastY = y;
}

bool CKvtView::OnKeyDown(int qtKey) {
    if (m_nSelected == 0) return true;
    const PoseKey* found = nullptr;
    for (const PoseKey& k : kPoseKeys)
        if (k.key == qtKey) found = &k;
    if (!found) return false;
    if (!m_bTreeBuilt) return true;
    SegmentPose& first = Pose(m_selected[0]);
    const float s = static_cast<float>(0.1 * m_modelSize);
    Matrix4 move, turn;
    if (found->kind == PoseKey::Turn) {
        first.m_rotInc[static_cast<std::size_t>(found->axis)] += found->amount;
        MakeRotation(found->amount, found->axis == 0, found->axis == 1, found->axis == 2, turn);
    } else if (found->kind == PoseKey::Move) {
        first.m_transInc[static_cast<std::size_t>(found->axis)] += found->amount * s;
        move[12 + found->axis] = found->amount * s;
    } else {
        m_twistAngle = found->amount;
    }
    for (int i = 0; i < m_nSelected; ++i) {
        const int segment = m_selected[static_cast<std::size_t>(i)];
        SegmentPose& p = Pose(segment);
        if (found->kind == PoseKey::Twist) {
            TwistSegment(segment);
        } else if (found->kind == PoseKey::Move) {
            MultMatrix(p.m_matrix, move);
            p.UpdateChildRing();
        } else if (p.m_pJointCentre) {
            const Point3d& J = *p.m_pJointCentre;
            const Matrix4 P = AboutPoint(J, turn);
            MultMatrix(p.m_matrix, P);
            p.UpdateChildRing();
        }
    }
    InvalidateAndUpdateNow();
    return true;
}

void CKvtView::OnHierarchy() {
    if (m_nDisplayMode == DISPLAY_HIERARCHY) {
        m_nDisplayMode = DISPLAY_FLAT;
    } else {
        m_services.SetWaitCursor(true);
        m_nDisplayMode = DISPLAY_HIERARCHY;
        m_doc.BuildHierarchy();
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
}

void CKvtView::OnModeModify() {
    m_nSelected = 0;
    m_nRenderMode = m_nRenderMode == RENDER_MODIFY ? RENDER_NORMAL : RENDER_MODIFY;
    m_services.CheckToolButton(cmd::ModeModify, m_nRenderMode == RENDER_MODIFY);
}

} // namespace figurant
