// Exact values for the selected joint: its three angles and its move, read as the status bar
// shows them and set as typed (the Rotate and Translate dialogs).
#include "FigureHistory.h"

namespace figurant {

namespace {

// The turn whose angles TurnAngles gives back: z, then y, then x, each as a pose key turns.
Matrix4 TurnOfAngles(const std::array<float, 3>& degrees) {
    Matrix4 x, y, z;
    MakeRotation(degrees[0], 1, 0, 0, x);
    MakeRotation(degrees[1], 0, 1, 0, y);
    MakeRotation(degrees[2], 0, 0, 1, z);
    MultMatrix(z, y);
    MultMatrix(z, x);
    return z;
}

} // namespace

std::array<float, 3> Figure::SelectionAngles() const {
    if (m_selectedBone >= 0) return BoneAngles(m_selectedBone);
    return m_selected.empty() ? std::array<float, 3>{0, 0, 0} : JointAngles(m_selected[0]);
}

Point3d Figure::SelectionMove() const {
    return m_selected.empty() ? Point3d{} : JointMove(m_selected[0]);
}

// The segment turns about its joint centre and keeps its move; a segment without a joint (the
// chest) has no angles to set.
void Figure::SetSelectionAngles(const std::array<float, 3>& degrees) {
    const bool ownStep = !m_open;
    if (ownStep) OpenStep(StepName("Turn"));
    const Matrix4 turn = TurnOfAngles(degrees);
    if (m_selectedBone >= 0) {
        SetSelectedBoneTurn(Affine::FromMatrix(turn));
    } else if (!m_selected.empty() && Pose(m_selected[0]).m_pJointCentre) {
        const int s = m_selected[0];
        const Point3d move = JointMove(s);
        Capture(s, false, false);
        SegmentPose& p = Pose(s);
        p.m_matrix = Matrix4::Translation(static_cast<float>(move.x), static_cast<float>(move.y),
                                          static_cast<float>(move.z));
        MultMatrix(p.m_matrix, AboutPoint(*p.m_pJointCentre, turn));
        p.UpdateChildRing();
        HoldPins(m_selected);
    }
    if (ownStep) CloseStep();
}

// The segment's joint centre goes to its rest place plus the move; its turn stays.
void Figure::SetSelectionMove(const Point3d& move) {
    if (m_selected.empty()) return;
    const bool ownStep = !m_open;
    if (ownStep) OpenStep(StepName("Move"));
    const int s = m_selected[0];
    const Point3d by = move - JointMove(s);
    Capture(s, false, false);
    SegmentPose& p = Pose(s);
    Matrix4 shifted =
        Matrix4::Translation(static_cast<float>(by.x), static_cast<float>(by.y), static_cast<float>(by.z));
    MultMatrix(shifted, p.m_matrix);
    p.m_matrix = shifted;
    p.UpdateChildRing();
    HoldPins(m_selected);
    if (ownStep) CloseStep();
}

void Figure::TurnSelectionShown(const Affine& startShown, const Affine& turn) {
    if (!m_selected.empty()) TurnSegmentShown(m_selected[0], startShown, turn);
}

void Figure::TurnSegmentShown(int s, const Affine& startShown, const Affine& turn) {
    if (!HasSegment(s) || !Pose(s).m_pJointCentre) return;
    const Affine toModel = ShownFrame(s).Inverse();
    const Point3d centre = startShown(*Pose(s).m_pJointCentre);
    Affine about = turn.RotationOnly();
    about.t = centre - about(centre);
    SetWorld(s, toModel * about * startShown);
    HoldPins({s});
}

} // namespace figurant
