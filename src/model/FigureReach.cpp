// Posing by pulling: a hand or a foot pulled to a point moves its arm or leg there (two bones
// solved), the head pulled turns about the neck, the pelvis pulled moves the whole figure; pinned
// hands and feet stay where they are in the world while anything else moves.
#include "FigureHistory.h"
#include "LimbSolver.h"
#include "SegmentNames.h"

#include <algorithm>

namespace figurant {

namespace {

struct LimbTable {
    FigureLimb limb;
    Point3d natural; // where the middle joint points in the rest frame (x left, y back, z up)
};

// Elbows point backwards, knees forwards.
constexpr LimbTable kLimbs[] = {
    {{4, 6, 8}, {0, 1, 0}},
    {{5, 7, 9}, {0, 1, 0}},
    {{10, 12, 14}, {0, -1, 0}},
    {{11, 13, 15}, {0, -1, 0}},
};
constexpr int kHead = 0;
constexpr int kPelvis = 3;

const LimbTable* LimbOf(int end) {
    for (const LimbTable& t : kLimbs)
        if (t.limb.end == end) return &t;
    return nullptr;
}

bool InLimb(const FigureLimb& limb, int segment) {
    return segment == limb.upper || segment == limb.lower || segment == limb.end;
}

// A limb whose end still sits on its pin is left as it is: solving it again could bend it
// another way (legs crossing after a squat).
bool OnPin(const Affine& now, const Affine& pinned) {
    // Within what the segments' single-precision matrices hold.
    constexpr double kSame = 1e-5;
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            if (std::fabs(now.r[i][j] - pinned.r[i][j]) > kSame) return false;
    return Length(now.t - pinned.t) <= kSame;
}

} // namespace

std::optional<FigureLimb> Figure::LimbEndingIn(int end) {
    if (const LimbTable* t = LimbOf(end)) return t->limb;
    return std::nullopt;
}

bool Figure::CanPull(int segment) const {
    if (!m_bBuilt || !HasSegment(segment)) return false;
    if (segment == kPelvis || segment == kRootSegment) return true;
    if (segment == kHead) return Pose(kHead).m_pJointCentre.has_value();
    const LimbTable* t = LimbOf(segment);
    return t && HasSegment(t->limb.end) && Pose(t->limb.upper).m_pJointCentre &&
           Pose(t->limb.lower).m_pJointCentre && Pose(t->limb.end).m_pJointCentre;
}

bool Figure::CanPin(int segment) const {
    return LimbOf(segment) && CanPull(segment);
}

Affine Figure::SegmentWorld(int segment) const {
    if (!HasSegment(segment)) return {};
    const SegmentPose& p = Pose(segment);
    const Affine local = Affine::FromMatrix(p.m_matrix);
    return p.m_pParent ? SegmentWorld(p.m_pParent->m_nSegment) * local : local;
}

std::optional<Point3d> Figure::JointWorld(int segment) const {
    if (!HasSegment(segment) || !Pose(segment).m_pJointCentre) return std::nullopt;
    return SegmentWorld(segment)(*Pose(segment).m_pJointCentre);
}

// A limb's or the head's first segment; -1 for the others.
int Figure::TopOf(int segment) {
    if (segment == kHead) return kHead;
    for (const LimbTable& t : kLimbs)
        if (InLimb(t.limb, segment)) return t.limb.upper;
    return -1;
}

Affine Figure::ShownFrame(int segment) const {
    const int top = TopOf(segment);
    return m_shownFrame && top >= 0 ? m_shownFrame(top) : Affine{};
}

Affine Figure::ShownWorld(int segment) const {
    return ShownFrame(segment) * SegmentWorld(segment);
}

std::optional<Point3d> Figure::ShownJoint(int segment) const {
    if (!HasSegment(segment) || !Pose(segment).m_pJointCentre) return std::nullopt;
    return ShownWorld(segment)(*Pose(segment).m_pJointCentre);
}

void Figure::SetWorld(int segment, const Affine& world) {
    SegmentPose& p = Pose(segment);
    const Affine parent = p.m_pParent ? SegmentWorld(p.m_pParent->m_nSegment) : Affine{};
    Capture(segment, false, false);
    p.m_matrix = (parent.Inverse() * world).ToMatrix();
    p.UpdateChildRing();
}

// The target and the end's transform are where they show; the limb is solved where the segments
// place it.
bool Figure::ReachWith(const FigureLimb& limb, const Point3d& natural, const Point3d& shownTarget,
                       const Affine& shownEnd) {
    const Affine placed = ShownFrame(limb.upper).Inverse();
    const Point3d target = placed(shownTarget);
    const Affine endWorld = placed * shownEnd;
    const Affine upperWorld = SegmentWorld(limb.upper), lowerWorld = SegmentWorld(limb.lower);
    const TwoBoneChain chain{upperWorld(*Pose(limb.upper).m_pJointCentre),
                             lowerWorld(*Pose(limb.lower).m_pJointCentre),
                             SegmentWorld(limb.end)(*Pose(limb.end).m_pJointCentre)};
    const TwoBoneReach reach = SolveTwoBones(chain, target, upperWorld.RotationOnly()(natural));
    const Affine rootMove = TurnAbout(chain.root, reach.rootTurn);
    const Affine middleMove = TurnAbout(reach.middle, reach.middleTurn);
    SetWorld(limb.upper, rootMove * upperWorld);
    SetWorld(limb.lower, middleMove * rootMove * lowerWorld);
    // The hand or foot keeps its turn in the world; short of the target it stays at the wrist.
    SetWorld(limb.end, Affine::Translation(reach.end - target) * endWorld);
    return reach.reached;
}

void Figure::BeginPull(int segment, const Point3d& grab) {
    EndPull();
    if (!CanPull(segment)) return;
    const bool whole = segment == kPelvis || segment == kRootSegment;
    Pull pull;
    pull.stepName = whole ? std::string("Move Figure") : "Pull " + SegmentName(segment);
    OpenStep(pull.stepName);
    pull.segment = whole ? kRootSegment : segment;
    pull.grab = grab;
    pull.startWorld = whole ? SegmentWorld(pull.segment) : ShownWorld(pull.segment);
    if (!whole && segment != kHead) pull.offset = grab - *ShownJoint(segment);
    m_pull = pull;
}

bool Figure::PullTo(const Point3d& target) {
    if (!m_pull) return false;
    if (!m_open) OpenStep(m_pull->stepName); // an undo closed the pull's step: the rest is a new one
    const Pull& pull = *m_pull;
    bool reached = true;
    if (pull.segment == kRootSegment) {
        SetWorld(kRootSegment, Affine::Translation(target - pull.grab) * pull.startWorld);
    } else if (pull.segment == kHead) {
        // The grabbed point turns about the neck towards the target.
        const Point3d neck = *ShownJoint(kHead);
        const Point3d grabNow = ShownWorld(kHead)(pull.startWorld.Inverse()(pull.grab));
        const Affine turn = TurnAbout(neck, TurnBetween(grabNow - neck, target - neck, {0, 0, 1}));
        SetWorld(kHead, ShownFrame(kHead).Inverse() * turn * ShownWorld(kHead));
    } else {
        const LimbTable& t = *LimbOf(pull.segment);
        const Point3d wrist = target - pull.offset;
        const Affine endWorld = ShownWorld(pull.segment);
        const Point3d wristNow = endWorld(*Pose(pull.segment).m_pJointCentre);
        reached = ReachWith(t.limb, t.natural, wrist, Affine::Translation(wrist - wristNow) * endWorld);
    }
    HoldPins({pull.segment});
    return reached;
}

void Figure::EndPull() {
    if (!m_pull) return;
    m_pull.reset();
    CloseStep();
}

bool Figure::TogglePin(int end) {
    if (IsPinned(end)) {
        m_pins.erase(std::remove_if(m_pins.begin(), m_pins.end(), [&](const Pin& p) { return p.end == end; }),
                     m_pins.end());
        return false;
    }
    if (!CanPin(end)) return false;
    m_pins.push_back({end, ShownWorld(end)});
    return true;
}

bool Figure::IsPinned(int end) const {
    return std::any_of(m_pins.begin(), m_pins.end(), [&](const Pin& p) { return p.end == end; });
}

std::vector<int> Figure::PinnedEnds() const {
    std::vector<int> ends;
    for (const Pin& p : m_pins)
        ends.push_back(p.end);
    return ends;
}

// A limb that was itself changed (the pulled end's, or a selected segment's) takes its pin along;
// every other pinned limb reaches back to its pin. A pin out of reach stays where it was, so the
// end comes back to it when the body does.
void Figure::HoldPins(const std::vector<int>& changed) {
    for (Pin& pin : m_pins) {
        const LimbTable& t = *LimbOf(pin.end);
        const bool moved =
            std::any_of(changed.begin(), changed.end(), [&](int s) { return InLimb(t.limb, s); });
        if (moved)
            pin.world = ShownWorld(pin.end);
        else if (!OnPin(ShownWorld(pin.end), pin.world))
            ReachWith(t.limb, t.natural, pin.world(*Pose(pin.end).m_pJointCentre), pin.world);
    }
}

void Figure::RePin() {
    for (Pin& pin : m_pins)
        pin.world = ShownWorld(pin.end);
}

} // namespace figurant
