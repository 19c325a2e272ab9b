// The bones of an imported skeleton beyond the body segments (fingers, spine links, ...): picked,
// turned and twisted in their own rest frames, mirrored by their names' sides, undone as segments are.
#include "FigureHistory.h"

#include <cmath>

namespace figurant {

namespace {

constexpr Quaternion kNoTurn{0, 0, 0, 1};

Quaternion Times(const Quaternion& a, const Quaternion& b) {
    return {a[3] * b[0] + a[0] * b[3] + a[1] * b[2] - a[2] * b[1],
            a[3] * b[1] - a[0] * b[2] + a[1] * b[3] + a[2] * b[0],
            a[3] * b[2] + a[0] * b[1] - a[1] * b[0] + a[2] * b[3],
            a[3] * b[3] - a[0] * b[0] - a[1] * b[1] - a[2] * b[2]};
}

// A turn about the view's axes, as the same turn about a bone's rest axes.
Quaternion InBoneFrame(const FigureBone& bone, const Affine& viewTurn) {
    return RotationQuaternion(bone.viewToLocal * viewTurn * bone.viewToLocal.Transposed());
}

Affine InViewFrame(const FigureBone& bone, const Quaternion& turn) {
    return bone.viewToLocal.Transposed() * QuaternionRotation(turn) * bone.viewToLocal;
}

} // namespace

void Figure::SetBones(std::vector<FigureBone> bones) {
    m_bones = std::move(bones);
    m_boneTurns.assign(m_bones.size(), kNoTurn);
    m_selectedBone = -1;
}

void Figure::PickBone(int bone) {
    if (bone < 0 || static_cast<std::size_t>(bone) >= m_bones.size() ||
        !m_bones[static_cast<std::size_t>(bone)].posable)
        return;
    if (const int segment = m_bones[static_cast<std::size_t>(bone)].segment; segment >= 0) {
        Pick(segment, false);
        return;
    }
    m_selected.clear();
    m_selectedBone = bone;
}

std::array<float, 3> Figure::BoneAngles(int bone) const {
    if (bone < 0 || static_cast<std::size_t>(bone) >= m_bones.size()) return {0, 0, 0};
    const Affine view =
        InViewFrame(m_bones[static_cast<std::size_t>(bone)], m_boneTurns[static_cast<std::size_t>(bone)]);
    Matrix4 m;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            m[4 * col + row] =
                static_cast<float>(view.r[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)]);
    return TurnAngles(m);
}

void Figure::SetBoneTurns(const std::vector<std::pair<int, Quaternion>>& turns) {
    for (const auto& [bone, turn] : turns)
        if (bone >= 0 && static_cast<std::size_t>(bone) < m_boneTurns.size()) SetBoneTurn(bone, turn);
}

void Figure::SetBoneTurn(int bone, const Quaternion& turn) {
    // A reset or a flip sets every bone: only those that change are recorded.
    if (m_boneTurns[static_cast<std::size_t>(bone)] == turn) return;
    CaptureBone(bone);
    m_boneTurns[static_cast<std::size_t>(bone)] = turn;
}

// Like a segment's, the new turn comes first, about the bone's rest axes.
void Figure::TurnSelectedBone(const Affine& viewTurn) {
    const auto b = static_cast<std::size_t>(m_selectedBone);
    SetBoneTurn(m_selectedBone, Times(m_boneTurns[b], InBoneFrame(m_bones[b], viewTurn)));
}

void Figure::SetSelectedBoneTurn(const Affine& viewTurn) {
    const auto b = static_cast<std::size_t>(m_selectedBone);
    SetBoneTurn(m_selectedBone, InBoneFrame(m_bones[b], viewTurn));
}

void Figure::TwistSelectedBone(float degrees) {
    const auto b = static_cast<std::size_t>(m_selectedBone);
    const Point3d axis = Normalize(m_bones[b].twistAxis);
    const double half = degrees * kPi / 360;
    const Quaternion roll{axis.x * std::sin(half), axis.y * std::sin(half), axis.z * std::sin(half),
                          std::cos(half)};
    SetBoneTurn(m_selectedBone, Times(m_boneTurns[b], roll));
}

// The turns the bones on the other side take (all of them for a flip, else those of the side
// `fromLeft` names), mirrored about the figure's left-right plane; bones without a partner mirror
// onto themselves in a flip.
std::map<int, Quaternion> Figure::MirroredBones(bool all, bool fromLeft) const {
    Affine mirror;
    mirror.r[0][0] = -1;
    std::map<int, Quaternion> out;
    for (std::size_t t = 0; t < m_bones.size(); ++t) {
        const FigureBone& target = m_bones[t];
        if (!target.posable || target.segment >= 0) continue;
        int source = target.mirror;
        if (all && source < 0 && target.side == 0) source = static_cast<int>(t);
        if (source < 0 || (!all && target.side != (fromLeft ? 2 : 1))) continue;
        const Affine view = mirror *
                            InViewFrame(m_bones[static_cast<std::size_t>(source)],
                                        m_boneTurns[static_cast<std::size_t>(source)]) *
                            mirror;
        out[static_cast<int>(t)] = InBoneFrame(target, view);
    }
    return out;
}

} // namespace figurant
