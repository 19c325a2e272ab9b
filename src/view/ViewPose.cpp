// The posing commands: twist, undo and redo, mirror, flip and reset, and what the status bar
// says about the selection.
#include "KvtView.h"
#include "LengthUnits.h"
#include "MotionCapture.h"
#include "SegmentNames.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <cstdio>

namespace figurant {

// Twists segment b about its bone by the last twist key's angle, as one undoable step.
void CKvtView::TwistSegment(int b) {
    if (b < 0 || b >= kMaxSegments || b > m_doc.SegmentCount() - 1 || !m_doc.HasSegmentTables()) return;
    m_figure.BeginStep("Twist " + SegmentName(b));
    m_figure.TwistSegment(b, m_twistAngle);
    m_figure.EndStep();
}

void CKvtView::PoseChanged() {
    ++m_nPoseChanges;
    InvalidateAndUpdateNow();
    ShowStatus();
}

void CKvtView::RefreshUndoButtons() {
    m_services.EnableToolButton(cmd::EditUndo, m_figure.CanUndo());
    m_services.EnableToolButton(cmd::EditRedo, m_figure.CanRedo());
}

void CKvtView::OnUndo() {
    m_bDragging = false;
    if (UndoKeyFrameEdit(false)) return;
    m_figure.Undo();
    PoseChanged();
}

void CKvtView::OnRedo() {
    m_bDragging = false;
    if (UndoKeyFrameEdit(true)) return;
    m_figure.Redo();
    PoseChanged();
}

void CKvtView::OnEditCopy() {
    QGuiApplication::clipboard()->setImage(RenderImage(false));
}

void CKvtView::OnMirrorPose() {
    if (m_nDisplayMode != DISPLAY_HIERARCHY) return;
    if (m_figure.MirrorPose()) PoseChanged();
}

void CKvtView::OnFlipPose() {
    if (m_nDisplayMode != DISPLAY_HIERARCHY) return;
    m_figure.FlipPose();
    PoseChanged();
}

void CKvtView::OnResetPose() {
    if (m_nDisplayMode != DISPLAY_HIERARCHY) return;
    m_figure.ResetPose();
    PoseChanged();
}

namespace {

// Whole numbers; "-0" reads oddly, so values that round to zero show as 0.
int Whole(double v) {
    return std::fabs(v) < 0.5 ? 0 : static_cast<int>(std::lround(v));
}

} // namespace

// The name, the joint's angles, then its twist and how far it was moved where it has them.
std::string CKvtView::SelectionText() const {
    if (const int bone = m_figure.SelectedBone(); bone >= 0) {
        const std::array<float, 3> a = m_figure.BoneAngles(bone);
        char part[96];
        std::snprintf(part, sizeof part, "   x %d\u00b0  y %d\u00b0  z %d\u00b0", Whole(a[0]), Whole(a[1]),
                      Whole(a[2]));
        return m_figure.Bones()[static_cast<std::size_t>(bone)].name + part;
    }
    const std::vector<int>& selected = m_figure.Selection();
    if (selected.empty()) return {};
    if (selected.size() > 1) return std::to_string(selected.size()) + " segments";
    const int s = selected[0];
    std::string text = SegmentName(s);
    // An imported character's segment is also its bone, by the file's name.
    for (const FigureBone& bone : m_figure.Bones())
        if (bone.segment == s) text += " (" + bone.name + ")";
    if (!m_figure.IsBuilt() || s >= m_figure.SegmentCount()) return text;
    char part[96];
    if (m_figure.Pose(s).m_pParent) {
        const std::array<float, 3> a = m_figure.JointAngles(s);
        std::snprintf(part, sizeof part, "   x %d\u00b0  y %d\u00b0  z %d\u00b0", Whole(a[0]), Whole(a[1]),
                      Whole(a[2]));
        text += part;
    }
    if (const int twist = Whole(m_figure.TwistAngle(s)); twist != 0)
        text += "   twist " + std::to_string(twist) + "\u00b0";
    // The move in the units chosen under Options; nothing while it rounds to none.
    const LengthUnit& unit = UnitOf(m_units);
    const Point3d move = m_figure.JointMove(s);
    const std::string x = FormatLength(move.x, unit), y = FormatLength(move.y, unit),
                      z = FormatLength(move.z, unit);
    const std::string none = FormatLength(0, unit);
    if (x != none || y != none || z != none)
        text += "   moved x " + x + "  y " + y + "  z " + z + " " + unit.code;
    return text;
}

void CKvtView::ShowStatus() {
    using Pane = IWindowServices::StatusPane;
    const char* mode = m_nDisplayMode == DISPLAY_FLAT   ? "Flat"
                       : m_nRenderMode == RENDER_MODIFY ? "Modify"
                                                        : "Hierarchy";
    m_services.SetStatusText(Pane::Mode, mode);
    m_services.SetStatusText(Pane::Selection, SelectionText());
    ShowSelectedBone();
    std::string animation;
    if (!m_strAnimFile.empty() && m_bAnimAvailable) {
        const auto slash = m_strAnimFile.find_last_of('/');
        // A motion capture has frames, not key frames.
        const char* unit = IsMotionCaptureFile(m_strAnimFile) ? " frame" : " key frame";
        animation = m_strAnimFile.substr(slash == std::string::npos ? 0 : slash + 1) + " (" +
                    std::to_string(m_nKeyFrames) + unit + (m_nKeyFrames == 1 ? ")" : "s)");
    }
    m_services.SetStatusText(Pane::Animation, animation);
    RefreshUndoButtons();
}

} // namespace figurant

namespace figurant {

bool CKvtView::CanSetAngles() const {
    if (m_nDisplayMode != DISPLAY_HIERARCHY || !m_figure.IsBuilt()) return false;
    if (m_figure.SelectedBone() >= 0) return true;
    const std::vector<int>& selected = m_figure.Selection();
    return !selected.empty() && m_figure.Pose(selected[0]).m_pJointCentre.has_value();
}

bool CKvtView::CanSetMove() const {
    return m_nDisplayMode == DISPLAY_HIERARCHY && m_figure.IsBuilt() && !m_figure.Selection().empty();
}

void CKvtView::BeginExactValues(const std::string& verb) {
    const std::vector<int>& selected = m_figure.Selection();
    const std::string what = m_figure.SelectedBone() >= 0
                                 ? m_figure.Bones()[static_cast<std::size_t>(m_figure.SelectedBone())].name
                                 : (selected.empty() ? std::string() : SegmentName(selected[0]));
    m_figure.BeginStep(verb + " " + what);
}

void CKvtView::SetExactAngles(const std::array<float, 3>& degrees) {
    m_figure.SetSelectionAngles(degrees);
    InvalidateAndUpdateNow();
    ShowStatus();
}

void CKvtView::SetExactMove(const Point3d& move) {
    m_figure.SetSelectionMove(move);
    InvalidateAndUpdateNow();
    ShowStatus();
}

void CKvtView::EndExactValues(bool keep) {
    if (keep)
        m_figure.EndStep();
    else
        m_figure.CancelStep();
    PoseChanged();
}

void CKvtView::SetUnits(const std::string& units) {
    m_units = UnitOf(units).code;
    m_services.SaveSetting(kUnitsSetting, m_units);
    ShowStatus();
}

} // namespace figurant
