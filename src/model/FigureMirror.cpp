// Mirroring poses across the figure's left-right plane (x = 0 in view coordinates: the model is
// centred on its bounding box and its right side lies towards -x).
#include "FigureHistory.h"
#include "SegmentNames.h"

#include <algorithm>
#include <map>

namespace figurant {

namespace {

// S = diag(-1, 1, 1). A segment's pose, seen relative to its own joint centre J, is a linear
// part L and the displacement d of J. The mirrored pose of a segment with joint centre J' has
// the linear part S L S and moves J' by S d, so each side turns about its own joint.
Matrix4 MirroredMatrix(const Matrix4& M, const Point3d& J, const Point3d& Jm) {
    Matrix4 R = M;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            if ((row == 0) != (col == 0)) R[4 * col + row] = -R[4 * col + row];
    const Point3d moved = TransformPoint3(M, J);
    const Point3d d{-(moved.x - J.x), moved.y - J.y, moved.z - J.z};
    double t[3] = {Jm.x + d.x, Jm.y + d.y, Jm.z + d.z};
    for (int row = 0; row < 3; ++row)
        t[row] -= R[row] * Jm.x + R[4 + row] * Jm.y + R[8 + row] * Jm.z;
    for (int row = 0; row < 3; ++row)
        R[12 + row] = static_cast<float>(t[row]);
    return R;
}

// Turns about x keep their sign under the mirror; turns about y and z and moves along x change it.
struct MirroredPose {
    Matrix4 matrix;
    std::array<float, 3> rotInc, transInc;
    float twist;
};

} // namespace

void Figure::SetTwist(int segment, float angle) {
    const float delta = angle - m_shapes[static_cast<std::size_t>(segment)].twisted.angle;
    if (delta != 0.0f) TwistSegment(segment, delta);
}

// Everything is computed from the pose before the step: twists turn the children's matrices,
// which the copied matrices then replace.
static std::map<int, MirroredPose> Mirrored(const Figure& f, const std::map<int, int>& targetFrom) {
    std::map<int, MirroredPose> result;
    for (const auto& [target, source] : targetFrom) {
        const SegmentPose& from = f.Pose(source);
        const Point3d J = from.m_pJointCentre.value_or(Point3d{});
        const Point3d Jm = f.Pose(target).m_pJointCentre.value_or(Point3d{});
        result[target] = {MirroredMatrix(from.m_matrix, J, Jm),
                          {from.m_rotInc[0], -from.m_rotInc[1], -from.m_rotInc[2]},
                          {-from.m_transInc[0], from.m_transInc[1], from.m_transInc[2]},
                          -f.Shape(source).twisted.angle};
    }
    return result;
}

void Figure::ApplyMirrored(const std::string& stepName, const std::map<int, int>& targetFrom,
                           const std::map<int, Quaternion>& bones) {
    const auto poses = Mirrored(*this, targetFrom);
    OpenStep(stepName);
    for (const auto& [bone, turn] : bones)
        SetBoneTurn(bone, turn);
    for (const auto& [target, pose] : poses)
        SetTwist(target, pose.twist);
    for (const auto& [target, pose] : poses) {
        Capture(target, false, false);
        SegmentPose& p = Pose(target);
        p.m_matrix = pose.matrix;
        p.m_rotInc = pose.rotInc;
        p.m_transInc = pose.transInc;
        p.UpdateChildRing();
    }
    RePin();
    CloseStep();
}

bool Figure::MirrorPose() {
    if (!m_bBuilt) return false;
    const auto limb = std::find_if(m_selected.begin(), m_selected.end(),
                                   [](int s) { return MirrorPartner(s).has_value(); });
    const bool boneSide = m_selectedBone >= 0 && m_bones[static_cast<std::size_t>(m_selectedBone)].side != 0;
    if (limb == m_selected.end() && !boneSide) return false;
    const bool fromLeft =
        boneSide ? m_bones[static_cast<std::size_t>(m_selectedBone)].side == 1 : IsLeftSide(*limb);
    std::map<int, int> targetFrom;
    for (int s = 0; s < m_nSegments && s < kMaxSegments; ++s)
        if (MirrorPartner(s) && IsLeftSide(s) == fromLeft && HasSegment(*MirrorPartner(s)))
            targetFrom[*MirrorPartner(s)] = s;
    ApplyMirrored("Mirror Pose", targetFrom, MirroredBones(false, fromLeft));
    return true;
}

void Figure::FlipPose() {
    if (!m_bBuilt) return;
    std::map<int, int> targetFrom;
    for (int s = 0; s < m_nSegments && s < kMaxSegments; ++s) {
        if (s == 2 || (s != 1 && !Pose(s).m_pParent)) continue; // outside the figure tree
        const int from = MirrorPartner(s).value_or(s);
        if (HasSegment(from)) targetFrom[s] = from;
    }
    ApplyMirrored("Flip Pose", targetFrom, MirroredBones(true, false));
}

} // namespace figurant
