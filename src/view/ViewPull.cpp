// Pulling in Modify mode: handles at the wrists, the ankles, the top of the head and the pelvis;
// a drag that starts on one (or a Ctrl+drag that starts on a hand, a foot, the head or the pelvis)
// pulls it, the grabbed point following the cursor in the plane through it that faces the camera.
// Pins keep hands and feet in place; P or the context menu's Pin sets and lets them go.
// The handles show while Ctrl is held, one at a time as the cursor comes near it, and pinned ones
// always: the picture of a figure being posed is otherwise the figure alone.
#include "KvtView.h"

#include "CharacterPose.h"
#include "ControlRaster.h"
#include "LimbSolver.h"
#include "SegmentNames.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

namespace figurant {

namespace {

constexpr int kHead = 0, kPelvis = 3;
constexpr int kLimbEnds[] = {8, 9, 14, 15};
// The elbows and knees, whose handles swing their limbs.
constexpr int kLimbMiddles[] = {6, 7, 12, 13};
// How far outside its square a click still takes a handle, in pixels.
constexpr double kHandleSlack = 2.0;
// Handles, and pinned ones.
constexpr float kHandleColour[3] = {0.2f, 0.8f, 1.0f};
constexpr float kPinColour[3] = {1.0f, 0.2f, 0.2f};

} // namespace

void CKvtView::SetHandleSize(int pixels) {
    m_nHandleSize = std::clamp(pixels, 1, kLargestHandleSize);
    m_services.SaveSetting(kHandleSizeSetting, std::to_string(m_nHandleSize));
    InvalidateAndUpdateNow();
}

bool CKvtView::HandlesShown() const {
    return m_nRenderMode == RENDER_MODIFY && FigureShown() && m_nDisplayMode == DISPLAY_HIERARCHY;
}

// The head's handle sits at its crown: beyond the middle of its surface (worked out once for each
// surface), away from the neck, by three quarters of the way from the neck to the middle.
Point3d CKvtView::HeadHandle() {
    if (m_headCentre.first != m_figure.Shape(kHead).revision) {
        Point3d sum{};
        const std::vector<Point3d> vertices = m_figure.Vertices(kHead);
        for (const Point3d& v : vertices)
            sum = sum + v;
        const double n = vertices.empty() ? 1.0 : static_cast<double>(vertices.size());
        m_headCentre = {m_figure.Shape(kHead).revision, (1.0 / n) * sum};
    }
    const Point3d neck = *m_figure.Pose(kHead).m_pJointCentre;
    constexpr double kCrown = 0.75;
    return m_figure.ShownWorld(kHead)(m_headCentre.second + kCrown * (m_headCentre.second - neck));
}

// The pelvis's handle sits between the hips.
std::optional<Point3d> CKvtView::PelvisHandle() const {
    const auto left = m_figure.ShownJoint(10), right = m_figure.ShownJoint(11);
    if (left && right) return 0.5 * (*left + *right);
    return m_figure.ShownJoint(kPelvis);
}

std::vector<CKvtView::PullHandle> CKvtView::PullHandles() {
    std::vector<PullHandle> handles;
    if (!HandlesShown()) return handles;
    for (int end : kLimbEnds)
        if (m_figure.CanPull(end)) handles.push_back({end, *m_figure.ShownJoint(end)});
    if (m_figure.CanPull(kHead)) handles.push_back({kHead, HeadHandle()});
    if (const auto pelvis = PelvisHandle(); pelvis && m_figure.CanPull(kPelvis))
        handles.push_back({kPelvis, *pelvis});
    for (int middle : kLimbMiddles)
        if (CanSwing(middle)) handles.push_back({middle, *m_figure.ShownJoint(middle)});
    // The tips of a character's fingers.
    const auto character = m_doc.GetCharacter();
    if (!character || !CharacterShown() || BoneTurnsShown().empty()) return handles;
    const std::vector<Affine> worlds =
        PosedJointWorlds(*character, SegmentMovesOfCharacter(), BoneTurnsShown());
    const Affine frame = CharacterFrame();
    for (std::size_t i = 0; i < m_fingerChains.size(); ++i)
        handles.push_back({kMaxSegments + static_cast<int>(i), frame(TipOf(m_fingerChains[i], worlds))});
    return handles;
}

bool CKvtView::HandleVisible(int segment) const {
    return m_figure.IsPinned(segment) || (m_hoverHandle && *m_hoverHandle == segment) ||
           m_figure.PulledSegment() == segment || m_fingerPull + kMaxSegments == segment || m_bCtrlHeld;
}

// A handle comes into sight as the cursor comes this near it (in handle sizes).
constexpr double kHoverReach = 2.0;

void CKvtView::HoverAt(int x, int y) {
    std::optional<int> near;
    if (const auto h = HandleAt(x, y, kHoverReach * m_nHandleSize, false)) near = h->segment;
    if (near == m_hoverHandle) return;
    m_hoverHandle = near;
    InvalidateAndUpdateNow();
}

std::optional<CKvtView::PullHandle> CKvtView::HandleAt(int x, int y) {
    return HandleAt(x, y, 0.5 * m_nHandleSize + kHandleSlack, true);
}

std::optional<CKvtView::PullHandle> CKvtView::HandleAt(int x, int y, double reach, bool visibleOnly) {
    const ViewMatrices view = CurrentViewMatrices(m_camera.viewportW, m_camera.viewportH);
    std::optional<PullHandle> nearest;
    double nearestDepth = 0;
    for (const PullHandle& h : PullHandles()) {
        const auto at = ProjectToPicture(view, h.at);
        if (!at || (visibleOnly && !HandleVisible(h.segment))) continue;
        if (std::fabs(at->x - (x + 0.5)) > reach || std::fabs(at->y - (y + 0.5)) > reach) continue;
        if (!nearest || at->depth < nearestDepth) {
            nearest = h;
            nearestDepth = at->depth;
        }
    }
    return nearest;
}

Point3d CKvtView::UnderCursor(int x, int y, const Point3d& through) const {
    const ViewMatrices view = CurrentViewMatrices(m_camera.viewportW, m_camera.viewportH);
    return FromPicture(view, x + 0.5, y + 0.5, through);
}

bool CKvtView::BeginPullAt(int x, int y, bool ctrl) {
    if (!HandlesShown() || m_camera.viewportW <= 0 || m_camera.viewportH <= 0) return false;
    std::optional<PullHandle> pulled = HandleAt(x, y);
    if (!pulled && ctrl) {
        std::optional<int> segment = SegmentAt(x, y);
        // On a character the pick names a bone: its body part is what is pulled.
        const auto character = m_doc.GetCharacter();
        if (segment && *segment >= kMaxSegments && character &&
            static_cast<std::size_t>(*segment - kMaxSegments) < character->joints.size())
            segment = character->joints[static_cast<std::size_t>(*segment - kMaxSegments)].segment;
        if (segment && m_figure.CanPull(*segment)) {
            // The grabbed point lies under the cursor at the depth of the segment's joint.
            const auto joint = m_figure.ShownJoint(*segment == kRootSegment ? kPelvis : *segment);
            const Point3d through = joint ? *joint : m_figure.SegmentWorld(*segment).t;
            pulled = PullHandle{*segment, UnderCursor(x, y, through)};
        }
    }
    if (!pulled) return false;
    if (std::find(std::begin(kLimbMiddles), std::end(kLimbMiddles), pulled->segment) !=
        std::end(kLimbMiddles))
        return BeginSwing(pulled->segment);
    m_pullPlane = pulled->at;
    if (pulled->segment >= kMaxSegments) {
        m_fingerPull = pulled->segment - kMaxSegments;
        const FingerChain& chain = m_fingerChains[static_cast<std::size_t>(m_fingerPull)];
        m_figure.PickBone(chain.bones.front());
        m_figure.BeginStep("Pull " + m_figure.Bones()[static_cast<std::size_t>(chain.bones.back())].name);
        return true;
    }
    m_figure.Pick(pulled->segment, false);
    m_figure.BeginPull(pulled->segment, pulled->at);
    m_pullPlane = pulled->at;
    return true;
}

bool CKvtView::Pulling() const {
    return m_figure.Pulling() || m_fingerPull >= 0 || m_swing.has_value();
}

// A limb whose three joints show, and whose end can be pulled.
bool CKvtView::CanSwing(int middle) const {
    for (const int end : kLimbEnds) {
        const auto limb = Figure::LimbEndingIn(end);
        if (!limb || limb->lower != middle) continue;
        return m_figure.CanPull(end) && m_figure.ShownJoint(limb->upper) && m_figure.ShownJoint(middle) &&
               m_figure.ShownJoint(end);
    }
    return false;
}

bool CKvtView::BeginSwing(int middle) {
    for (const int end : kLimbEnds) {
        const auto limb = Figure::LimbEndingIn(end);
        if (!limb || limb->lower != middle || !CanSwing(middle)) continue;
        const Point3d shoulder = *m_figure.ShownJoint(limb->upper), wrist = *m_figure.ShownJoint(end);
        const Point3d line = wrist - shoulder;
        if (!(Length(line) > 0)) return false;
        m_swing = Swing{limb->upper, shoulder, (1 / Length(line)) * line, *m_figure.ShownJoint(middle),
                        m_figure.ShownWorld(limb->upper)};
        m_figure.Pick(limb->upper, false);
        m_figure.BeginStep("Swing " + SegmentName(limb->upper));
        return true;
    }
    return false;
}

// The elbow goes round the line to where the cursor meets the ball the elbow turns on (its front
// half, facing the camera: dragging the elbow in towards the line brings it forward), by the angle
// between the two seen across the line.
void CKvtView::SwingTo(int x, int y) {
    const Swing& s = *m_swing;
    auto across = [&](const Point3d& p) {
        const Point3d d = p - s.shoulder;
        return d - Dot(d, s.axis) * s.axis;
    };
    const Point3d from = across(s.elbow);
    const double radius = Length(from);
    if (!(radius > 0)) return;
    const Point3d centre = s.elbow - from;
    // The cursor's line of sight: two points under it, the second nearer the eye.
    const ViewMatrices view = CurrentViewMatrices(m_camera.viewportW, m_camera.viewportH);
    const Point3d near = UnderCursor(x, y, s.elbow),
                  nearer = UnderCursor(x, y, s.elbow + radius * EyeAxis(view, 2));
    const Point3d sight = nearer - near;
    if (!(Length(sight) > 0)) return;
    const Point3d d = (1 / Length(sight)) * sight, o = near - centre;
    // o + t d on the ball: t^2 + 2 (o.d) t + |o|^2 - r^2 = 0, the larger root facing the eye; a line
    // that misses the ball takes its nearest point, on the ball's rim as seen.
    const double b = Dot(o, d), c = Dot(o, o) - radius * radius, discriminant = b * b - c;
    const Point3d onBall = centre + o + (-b + (discriminant > 0 ? std::sqrt(discriminant) : 0.0)) * d;
    const Point3d to = across(onBall);
    if (!(Length(to) > 0)) return;
    const double angle = std::atan2(Dot(Cross(from, to), s.axis), Dot(from, to));
    m_figure.TurnSegmentShown(s.upper, s.startShown, AxisRotation(s.axis, angle));
}

// With Shift held, the grabbed point goes towards the camera as the cursor goes up (away as it
// goes down), staying where it shows across the screen; the plane it is pulled in goes along.
Point3d CKvtView::DepthPullTarget(int y) {
    const ViewMatrices view = CurrentViewMatrices(m_camera.viewportW, m_camera.viewportH);
    const double pixelsPerUnit = PixelsPerUnitAt(view, m_pullPlane);
    if (pixelsPerUnit > 0) m_pullPlane = m_pullPlane + ((m_lastY - y) / pixelsPerUnit) * EyeAxis(view, 2);
    return m_pullPlane;
}

void CKvtView::PullAt(int x, int y) {
    if (m_swing) return SwingTo(x, y);
    const Point3d target = m_bShiftHeld ? DepthPullTarget(y) : UnderCursor(x, y, m_pullPlane);
    // The plane through the target, facing the camera, is the plane pulled in: Shift can take it
    // from wherever the pull has got to.
    m_pullPlane = target;
    if (m_fingerPull < 0) {
        m_figure.PullTo(target);
        return;
    }
    const auto character = m_doc.GetCharacter();
    if (!character) return;
    const FingerChain& chain = m_fingerChains[static_cast<std::size_t>(m_fingerPull)];
    std::vector<Quaternion> turns = BoneTurnsShown();
    ReachWithFinger(*character, SegmentMovesOfCharacter(), turns, chain, CharacterFrame().Inverse()(target));
    std::vector<std::pair<int, Quaternion>> changed;
    for (int bone : chain.bones)
        changed.emplace_back(bone, turns[static_cast<std::size_t>(bone)]);
    m_figure.SetBoneTurns(changed);
}

void CKvtView::EndPull() {
    if (m_swing) {
        m_swing.reset();
        m_figure.EndStep();
        return;
    }
    m_figure.EndPull();
    if (m_fingerPull < 0) return;
    m_fingerPull = -1;
    m_figure.EndStep();
}

// The segments a pull moves, for the kept picture of the rest: the pulled limb, or everything
// (pinned limbs are marked with every drag's). A finger's hand is selected, and marked with the
// selection.
void CKvtView::MarkPullMoving() {
    const int pulled = m_figure.PulledSegment();
    if (pulled < 0) return;
    const auto limb = Figure::LimbEndingIn(pulled);
    MarkMoving(m_figure.Pose(limb ? limb->upper : pulled));
}

void CKvtView::DrawHandles() {
    const std::vector<PullHandle> handles = PullHandles();
    if (handles.empty()) return;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_POINT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    for (const bool pinned : {false, true}) {
        const float* colour = pinned ? kPinColour : kHandleColour;
        glPointSize(static_cast<float>(pinned ? m_nHandleSize + 4 : m_nHandleSize));
        glColor3f(colour[0], colour[1], colour[2]);
        glBegin(GL_POINTS);
        for (const PullHandle& h : handles)
            if (m_figure.IsPinned(h.segment) == pinned && HandleVisible(h.segment))
                glVertex3d(h.at.x, h.at.y, h.at.z);
        glEnd();
    }
    glPopAttrib();
}

// The hand or foot whose handle the context menu was opened on, else the selected one, or the one
// a selected finger or toe bone of a character belongs to.
std::optional<int> CKvtView::PinTarget() const {
    if (m_menuHandle) return m_menuHandle;
    const std::vector<int>& selected = m_figure.Selection();
    if (!selected.empty() && m_figure.CanPin(selected[0])) return selected[0];
    const auto character = m_doc.GetCharacter();
    const int bone = m_figure.SelectedBone();
    if (character && bone >= 0 && static_cast<std::size_t>(bone) < character->joints.size()) {
        const int segment = character->joints[static_cast<std::size_t>(bone)].segment;
        if (m_figure.CanPin(segment)) return segment;
    }
    return std::nullopt;
}

void CKvtView::OnTogglePin() {
    const std::optional<int> end = PinTarget();
    m_menuHandle.reset();
    if (!end) {
        m_services.ShowStatusMessage(
            "Only a hand or a foot can be pinned: select one, or a finger or toe of it");
        return;
    }
    const bool pinned = m_figure.TogglePin(*end);
    m_services.ShowStatusMessage(SegmentName(*end) + (pinned ? " pinned" : " unpinned"));
    InvalidateAndUpdateNow();
}

void CKvtView::NoteMenuAt(int x, int y) {
    m_menuHandle.reset();
    if (const auto h = HandleAt(x, y); h && m_figure.CanPin(h->segment)) m_menuHandle = h->segment;
}

} // namespace figurant
