// An imported character drawn as rigged: its surface skinned by its own weights under the
// figure's pose, in its own look (base colours and pictures) or in the segment colours.
#include "KvtView.h"

#include "BoneList.h"
#include "CharacterPose.h"
#include "PosedSurface.h"
#include "SegmentColour.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

namespace figurant {

namespace {

// Base colours are linear light; the fixed-function drawing works in the screen's values.
double ScreenValue(float linear) {
    return std::pow(std::max(0.0f, std::min(1.0f, linear)), 1.0 / 2.2);
}

// The skin's key ends in the frame's sixteen numbers and the way of skinning.
constexpr std::ptrdiff_t kFrameKeyValues = 17;

// Surfaces without a material of their own.
constexpr std::array<double, 3> kPlainLook{0.8, 0.8, 0.8};

} // namespace

bool CKvtView::CharacterShown() const {
    const auto character = m_doc.GetCharacter();
    return character && m_characterList.LoadedFor(character);
}

// A new character comes in its own look; the arrays are made once per character, and let go
// when a model without one comes.
void CKvtView::LoadCharacter() {
    const auto character = m_doc.GetCharacter();
    if (character && m_characterList.LoadedFor(character)) return;
    if (isValid()) makeCurrent();
    // The last character's buffers go with it.
    if (!character) return m_characterList.Release();
    if (const std::string note = m_characterList.Load(character); !note.empty())
        m_services.ShowStatusMessage("The figure's look: " + note);
    m_skinnedPose.clear();
    m_skinnedMoves.clear();
    m_bSegmentColours = false;
}

// The character's frame (its file's scene, metres) to the view's coordinates.
Affine CKvtView::CharacterFrame() const {
    return m_doc.CharacterToFigure(m_camera.modelScale, m_camera.modelCentre);
}

// Each bone moves with its body segment: the segment's matrix down the figure tree, taken into
// the character's frame. Skinned again only when the pose, the frame or the way of skinning changed.
void CKvtView::SkinCharacter() {
    const auto character = m_doc.GetCharacter();
    const bool posed = FigureShown();
    const Affine frame = CharacterFrame();
    std::vector<float> key = posed ? m_figure.PoseValues() : std::vector<float>{};
    for (double v : frame.ColumnMajor())
        key.push_back(static_cast<float>(v));
    key.push_back(m_bDualQuaternion ? 1.0f : 0.0f);
    if (key == m_skinnedPose) return;
    const std::vector<Affine> worlds =
        PosedJointWorlds(*character, SegmentMovesOfCharacter(), BoneTurnsShown());
    std::vector<Affine> moves = JointMoves(*character, worlds);
    SkinSurface(*character, moves, m_bDualQuaternion ? SkinMethod::DualQuaternion : SkinMethod::Linear, frame,
                m_skinned);
    // Only the vertices of the bones that moved go to graphics memory, unless the whole changed.
    const bool whole =
        m_skinnedPose.size() < static_cast<std::size_t>(kFrameKeyValues) ||
        m_skinnedMoves.size() != moves.size() ||
        !std::equal(key.end() - kFrameKeyValues, key.end(), m_skinnedPose.end() - kFrameKeyValues);
    const auto [first, last] = whole ? std::pair<std::size_t, std::size_t>{0, m_skinned.size() / 6 - 1}
                                     : MovedVertices(*character, m_skinnedMoves, moves);
    m_characterList.Update(m_skinned, first, last);
    m_skinnedMoves = std::move(moves);
    m_skinnedPose = std::move(key);
}

// The first and last vertex bound to a joint whose move changed; an empty span (first > last) when
// none was.
std::pair<std::size_t, std::size_t> CKvtView::MovedVertices(const Character& character,
                                                            const std::vector<Affine>& before,
                                                            const std::vector<Affine>& after) {
    const auto same = [](const Affine& a, const Affine& b) { return a.r == b.r && a.t == b.t; };
    std::vector<bool> moved(character.binds.size());
    for (std::size_t b = 0; b < character.binds.size(); ++b) {
        const auto j = static_cast<std::size_t>(character.binds[b].joint);
        moved[b] = !same(before[j], after[j]);
    }
    std::size_t first = 1, last = 0;
    const auto& binds = character.surface.binds;
    for (std::size_t v = 0; v < binds.size(); ++v)
        for (int b : binds[v])
            if (b >= 0 && moved[static_cast<std::size_t>(b)]) {
                if (first > last) first = v;
                last = v;
                break;
            }
    return {first, last};
}

// The run's pick name, or its colour: the selection's, the segment's, or its material's.
void CKvtView::BeginCharacterRun(const CharacterList::Run& run, int mode) {
    if (mode == GL_SELECT) {
        SetPickName(kMaxSegments + run.joint);
        return;
    }
    std::array<double, 3> colour = kPlainLook;
    const auto character = m_doc.GetCharacter();
    if (m_bSelectionShown && RunSelected(run)) {
        colour = m_selectColour;
    } else if (m_bSegmentColours) {
        SegmentColour(run.segment, colour);
    } else if (run.material >= 0 && static_cast<std::size_t>(run.material) < character->materials.size()) {
        const auto& base = character->materials[static_cast<std::size_t>(run.material)].baseColour;
        colour = {ScreenValue(base[0]), ScreenValue(base[1]), ScreenValue(base[2])};
    }
    // The material is set outright: software OpenGL carries a colour into the tracked material
    // lazily, so the first runs after another colour (the outline's) could come out in that one.
    const GLfloat diffuse[] = {static_cast<GLfloat>(colour[0]), static_cast<GLfloat>(colour[1]),
                               static_cast<GLfloat>(colour[2]), 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glColor3d(colour[0], colour[1], colour[2]);
}

// The whole character moves with any bone: during a drag it is drawn with the moving part.
void CKvtView::DrawCharacter(int mode, Layer layer) {
    if (layer == Layer::Resting) return;
    SkinCharacter();
    const bool looks = mode != GL_SELECT && !m_bSegmentColours;
    glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT);
    glDisable(GL_COLOR_MATERIAL);
    m_characterList.Draw(m_flushPacer, looks, [&](const CharacterList::Run& run) {
        BeginCharacterRun(run, mode);
        return true;
    });
    glPopAttrib();
    if (mode != GL_RENDER || !m_bOutline || !m_figure.HasSelection()) return;
    DrawOutline([&] {
        m_characterList.Draw(m_flushPacer, false,
                             [&](const CharacterList::Run& run) { return RunSelected(run); });
    });
}

std::vector<Affine> CKvtView::SegmentMovesOfCharacter() const {
    std::vector<Affine> segments;
    if (FigureShown())
        for (const Matrix4& m : TreeMatrices(m_figure))
            segments.push_back(Affine::FromMatrix(m));
    return InCharacterFrame(segments, CharacterFrame());
}

// A segment's bone as the character shows it against where the segment's matrix alone would put
// it: the identity unless bones between it and the segment above (a collarbone, a spine link) are
// turned on their own.
Affine CKvtView::ShownFrameOf(int segment) const {
    const auto character = m_doc.GetCharacter();
    if (!character) return {};
    int head = -1;
    for (std::size_t j = 0; j < character->joints.size() && head < 0; ++j)
        if (character->joints[j].segment == segment && HeadsSegment(*character, static_cast<int>(j)))
            head = static_cast<int>(j);
    if (head < 0) return {};
    const std::vector<Affine> worlds =
        PosedJointWorlds(*character, SegmentMovesOfCharacter(), BoneTurnsShown());
    const Affine frame = CharacterFrame();
    return frame * worlds[static_cast<std::size_t>(head)] *
           character->joints[static_cast<std::size_t>(head)].restWorld.Inverse() * frame.Inverse() *
           m_figure.SegmentWorld(segment).Inverse();
}

// The bones' own turns, once the figure has the character's bones.
std::vector<Quaternion> CKvtView::BoneTurnsShown() const {
    const auto character = m_doc.GetCharacter();
    return character && m_figure.Bones().size() == character->joints.size() ? m_figure.BoneTurns()
                                                                            : std::vector<Quaternion>{};
}

std::vector<Vec3f> CKvtView::SkinnedPositions() const {
    std::vector<Vec3f> positions;
    for (std::size_t i = 0; i + 5 < m_skinned.size(); i += 6)
        positions.push_back({m_skinned[i], m_skinned[i + 1], m_skinned[i + 2]});
    return positions;
}

bool CKvtView::RunSelected(const CharacterList::Run& run) const {
    const int bone = m_figure.SelectedBone();
    if (bone >= 0) return run.joint == bone;
    return run.segment >= 0 && m_figure.IsSelected(run.segment);
}

// The figure's bones for the character, once the figure is built for it.
void CKvtView::SettleCharacterBones() {
    const auto character = m_doc.GetCharacter();
    if (!character || !m_figure.IsBuilt() || m_figure.Bones().size() == character->joints.size()) return;
    m_figure.SetBones(FigureBonesOf(*character, CharacterFrame()));
    m_fingerChains = FingerChains(*character);
    m_figure.SetShownFrames([this](int segment) { return ShownFrameOf(segment); });
    RefreshBoneList();
}

void CKvtView::SetBoneList(BoneList* list) {
    m_boneList = list;
    m_boneList->boneChosen = [this](int bone) {
        SelectBone(bone);
        InvalidateAndUpdateNow();
        ShowStatus();
    };
}

// The list holds the skeleton's bones while the figure is built from a character.
void CKvtView::RefreshBoneList() {
    if (!m_boneList) return;
    const auto character = m_doc.GetCharacter();
    const bool bones = character && m_figure.Bones().size() == character->joints.size();
    std::vector<BoneListEntry> entries;
    for (std::size_t j = 0; bones && j < character->joints.size(); ++j) {
        const CharacterJoint& joint = character->joints[j];
        if (!joint.bone) continue;
        const bool parentListed =
            joint.parent >= 0 && character->joints[static_cast<std::size_t>(joint.parent)].bone;
        entries.push_back({joint.name, parentListed ? joint.parent : -1, static_cast<int>(j)});
    }
    m_boneList->Fill(entries);
    if (m_boneList->wanted) m_boneList->wanted(bones && m_bShowBones);
    ShowSelectedBone();
}

// The selected bone, or the bone that heads the first selected segment.
void CKvtView::ShowSelectedBone() {
    if (!m_boneList) return;
    int bone = m_figure.SelectedBone();
    const auto& bones = m_figure.Bones();
    if (bone < 0 && !m_figure.Selection().empty())
        for (std::size_t b = 0; b < bones.size() && bone < 0; ++b)
            if (bones[b].segment == m_figure.Selection()[0]) bone = static_cast<int>(b);
    m_boneList->Show(bone);
}

void CKvtView::OnViewBones() {
    m_bShowBones = !m_bShowBones;
    RefreshBoneList();
}

void CKvtView::PickAt(int x, int y, bool add) {
    const std::optional<int> name = SegmentAt(x, y);
    if (name && *name >= kMaxSegments) {
        SelectBone(*name - kMaxSegments);
        return;
    }
    m_figure.Pick(name, add);
}

void CKvtView::SelectBone(int bone) {
    if (bone < 0) m_figure.ClearSelection();
    m_figure.PickBone(bone);
}

void CKvtView::OnSegmentColours() {
    m_bSegmentColours = !m_bSegmentColours;
    InvalidateAndUpdateNow();
}

void CKvtView::OnDualQuaternionSkinning() {
    m_bDualQuaternion = !m_bDualQuaternion;
    InvalidateAndUpdateNow();
}

} // namespace figurant
