#pragma once
// The jointed figure as a model of its own, without a window: the 40 pose records and the figure
// tree, each segment's surface, the selection, every pose change (turn and move keys, drags,
// twists, mirror, flip, reset) and their undo history. The view draws it and turns input into
// calls on it; the inspect tool, tests and benchmarks build and pose it directly.
#include "Affine.h"
#include "FigureTree.h"
#include "JointMath.h"
#include "SegmentShape.h"
#include "SegmentTables.h"

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace figurant {

// One press of a pose key: a turn about a coordinate axis, a move along one, or a twist.
struct PoseKeyStep {
    enum Kind { Turn, Move, Twist } kind;
    int axis;     // 0 x, 1 y, 2 z
    float amount; // degrees (turn, twist), or steps of moveStep (move)
};

// A bone of an imported skeleton, as the figure poses it: turned in its own rest frame. A bone that
// heads a body segment moves with the segment's matrix; picking it picks the segment.
struct FigureBone {
    std::string name;
    int segment = -1; // the segment it heads, if any
    int mirror = -1;  // the bone on the other side, if any
    int side = 0;     // 0 none, 1 the figure's left, 2 its right
    bool posable = false;
    Affine viewToLocal;         // a rotation from the view's axes to the bone's rest frame
    Point3d twistAxis{0, 1, 0}; // along the bone, in its rest frame
};

// An arm or a leg: the segments from the shoulder or hip down to the hand or foot.
struct FigureLimb {
    int upper, lower, end;
};

class Figure {
  public:
    Figure();
    ~Figure();
    Figure(const Figure&) = delete;
    Figure& operator=(const Figure&) = delete;

    // Builds the figure from the document's segment tables: each segment's distinct vertices in
    // view coordinates (model points times scale, less centre), the tree, rings and joint
    // centres. Every segment is at rest; selection and history are emptied.
    void Build(const SegmentTables& tables, float scale, const Vec3f& centre);
    // Forgets the figure (a new model was loaded).
    void Clear();
    bool IsBuilt() const { return m_bBuilt; }
    int SegmentCount() const { return m_nSegments; }
    float Scale() const { return m_scale; }
    const Vec3f& Centre() const { return m_centre; }

    PoseArray& Poses() { return *m_pose; }
    SegmentPose& Pose(int segment) { return (*m_pose)[static_cast<std::size_t>(segment)]; }
    const SegmentPose& Pose(int segment) const { return (*m_pose)[static_cast<std::size_t>(segment)]; }
    const SegmentShape& Shape(int segment) const { return m_shapes[static_cast<std::size_t>(segment)]; }
    // Point k of a segment's surface (`rest` is the point as read) in model coordinates as it is
    // now: where the twist moved it, or as read.
    Vec3f PointNow(int segment, std::size_t k, const Vec3f& rest) const;
    // Every point of a segment's surface as it is now, in order.
    std::vector<Vec3f> Points(int segment) const;
    // The segment's distinct vertices in view coordinates, in order of first use: where the twist
    // turned them, or worked out from the rest points (an untwisted segment keeps no list).
    std::vector<Point3d> Vertices(int segment) const;
    // Point k of a segment's twisted surface where it is drawn, in view coordinates (the surface
    // must be laid out twisted).
    Vec3f TwistedShownPoint(int segment, std::size_t k) const;
    // The document's normal of a global vertex number; zero without one.
    Vec3f Normal(std::int32_t id) const {
        return m_normals && id >= 0 && static_cast<std::size_t>(id) < m_normals->size()
                   ? (*m_normals)[static_cast<std::size_t>(id)]
                   : Vec3f{};
    }

    // Selection, in the order segments were added.
    const std::vector<int>& Selection() const { return m_selected; }
    bool IsSelected(int segment) const;
    // Something is selected: a segment or a bone.
    bool HasSelection() const { return !m_selected.empty() || m_selectedBone >= 0; }
    // A pick: without `add` the selection is emptied first; a hit not yet selected is appended.
    void Pick(std::optional<int> segment, bool add);
    void ClearSelection() {
        m_selected.clear();
        m_selectedBone = -1;
    }

    // The bones of an imported skeleton (one per joint of the character, in its order), all at
    // rest; none for a drawing's figure.
    void SetBones(std::vector<FigureBone> bones);
    const std::vector<FigureBone>& Bones() const { return m_bones; }
    // Each bone's turn inside its rest transform (the identity at rest).
    const std::vector<Quaternion>& BoneTurns() const { return m_boneTurns; }
    // The bone selected on its own (a finger, a spine link), or -1; picking a bone that heads a
    // segment selects the segment, and picking a segment lets the bone go.
    int SelectedBone() const { return m_selectedBone; }
    void PickBone(int bone);
    // Degrees about the view's x, y and z of a bone's turn, as JointAngles gives a segment's.
    std::array<float, 3> BoneAngles(int bone) const;
    // Bone turns set outright (a finger pulled), recorded in the open step.
    void SetBoneTurns(const std::vector<std::pair<int, Quaternion>>& turns);

    // Pose changes; each is one undoable step.
    // A pose key on the selection (the first selected segment collects the increments).
    void ApplyPoseKey(const PoseKeyStep& step, float moveStep);
    // A left-button drag from press to release is one step; Drag turns the selection by the
    // drag angles (degrees) about each segment's joint centre.
    void BeginDrag();
    void Drag(int alpha, int beta, int gamma);
    void EndDrag();
    // Twists segment b about its bone by `angle` degrees; recorded in the open step, if any.
    void TwistSegment(int b, float angle);
    // Every segment's matrix back to the identity (twists stay): the camera's Reset.
    void ResetMatrices();
    // Every segment back to rest, twists and increments included: the same as a fresh build.
    void ResetPose(const std::string& stepName = "Reset Pose");
    // Copies the pose of the first selected limb's side onto the other side, mirrored about the
    // figure's left-right plane; false when no limb is selected.
    bool MirrorPose();
    // Swaps the two sides' poses, mirrored; the head, chest and pelvis mirror onto themselves.
    void FlipPose();

    // Pulling (FigureReach.cpp), in view coordinates. A hand or a foot pulled moves its limb so
    // that the grabbed point meets the target (the hand keeps its turn in the world); the head
    // turns about the neck towards it; the pelvis or the chest moves the whole figure. A pull from
    // BeginPull to EndPull is one step. PullTo is false when the target was out of reach.
    bool CanPull(int segment) const;
    void BeginPull(int segment, const Point3d& grab);
    bool PullTo(const Point3d& target);
    void EndPull();
    bool Pulling() const { return m_pull.has_value(); }
    // The segment a pull moves (the chest for the whole figure), or -1.
    int PulledSegment() const { return m_pull ? m_pull->segment : -1; }
    static std::optional<FigureLimb> LimbEndingIn(int end);
    // Pins: a pinned hand or foot stays where it is in the world while anything else moves.
    bool CanPin(int segment) const;
    // Pins the end, or lets its pin go; true when it is pinned now.
    bool TogglePin(int end);
    bool IsPinned(int end) const;
    std::vector<int> PinnedEnds() const;
    // A segment's transform from rest to where it is now, down the tree; where its joint is now.
    Affine SegmentWorld(int segment) const;
    std::optional<Point3d> JointWorld(int segment) const;
    // Where a limb or the head shows can differ from where the segments place it: on a character
    // whose bones above it (a collarbone, a spine link) are turned on their own. The view tells
    // the figure, for a limb's first segment or the head, the transform from the one to the
    // other; pulls and pins work where things show.
    void SetShownFrames(std::function<Affine(int segment)> frame) { m_shownFrame = std::move(frame); }
    Affine ShownWorld(int segment) const;
    std::optional<Point3d> ShownJoint(int segment) const;

    // Exact values (the Rotate and Translate dialogs): the first selected segment's, or the
    // selected bone's, turn as JointAngles gives it, and a segment's move as JointMove gives it.
    // Setting them is recorded in the open step, or makes a step of its own.
    std::array<float, 3> SelectionAngles() const;
    void SetSelectionAngles(const std::array<float, 3>& degrees);
    Point3d SelectionMove() const;
    void SetSelectionMove(const Point3d& move);
    // The first selected segment turned about its joint by `turn` (a rotation in the axes it is
    // shown in) from `startShown`, its shown transform when the turn began: the rotation gizmo's
    // drag. Recorded in the open step; pinned limbs hold.
    void TurnSelectionShown(const Affine& startShown, const Affine& turn);
    // The same for any segment (the segments below it go along).
    void TurnSegmentShown(int segment, const Affine& startShown, const Affine& turn);

    // Steps that callers make of their own changes (playback): every segment is recorded.
    void BeginStep(const std::string& name);
    void EndStep();
    // Puts back what the open step changed and keeps no step (a dialog cancelled).
    void CancelStep();

    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    // "Turn Left Forearm", "Twist 3 segments", ...; empty when there is nothing to undo or redo.
    std::string UndoName() const;
    std::string RedoName() const;
    void Undo();
    void Redo();
    // Increments were written to an animation file and cleared: undo then takes a step's
    // increments out of what has gathered since, instead of restoring older values.
    void NoteIncrementsSaved() { ++m_nSaves; }
    // Memory held by the undo and redo steps.
    std::size_t HistoryBytes() const;

    // Degrees about x, y and z of a segment's turn relative to rest (in the pose keys' sense),
    // as TurnAngles picks them.
    std::array<float, 3> JointAngles(int segment) const;
    // True while no segment is turned, moved or twisted.
    bool IsAtRest() const;
    // Every segment's matrix and twist angle, side by side: two poses are the same when these are.
    std::vector<float> PoseValues() const;
    // The bounds of the figure as posed, in view coordinates; nothing when it has no points.
    std::optional<Box> PosedBounds() const;
    // How far the segment was moved (view units, in its parent's frame), and its twist in degrees.
    Point3d JointMove(int segment) const;
    float TwistAngle(int segment) const;

  private:
    using BoneAxis = std::optional<std::pair<Point3d, Point3d>>;
    BoneAxis TwistAxis(int segment) const;
    void LaySurface(int segment, bool twisted);
    struct TurnedPosition;
    std::uint32_t NextTurnStamp(std::size_t positions);
    // Lets the twists' work table go once a step is over: it is as large as the twisted segment.
    void ReleaseTwistWork() { std::vector<TurnedPosition>().swap(m_turned); }
    static Vec3f TurnedNormal(TurnedPosition& at, const BoneTwist& twist, const Vec3f& n,
                              std::uint32_t stamp);
    void MarkFixedPoints(const SegmentPose& r, SegmentShape& shape) const;
    void NumberPositions(SegmentShape& shape) const;
    struct SurfaceRecord;
    struct Snapshot;
    struct Step;

    bool HasSegment(int segment) const {
        return segment >= 0 && segment < m_nSegments && segment < kMaxSegments;
    }
    void OpenStep(const std::string& name);
    void CloseStep();
    // Records what the open step is about to change in a segment, once per step.
    void Capture(int segment, bool ring, bool surface);
    void Exchange(Step& step, bool undo);
    void MoveStep(std::vector<Step>& from, std::vector<Step>& to, bool undo);
    void ResetSurface(int segment);
    void SetTwist(int segment, float angle);
    void ApplyMirrored(const std::string& stepName, const std::map<int, int>& targetFrom,
                       const std::map<int, Quaternion>& bones = {});
    std::string StepName(const char* verb) const;
    // The selected bone turned by a rotation about the view's axes, or rolled about itself.
    void TurnSelectedBone(const Affine& viewTurn);
    void TwistSelectedBone(float degrees);
    // The selected bone's turn set outright, about the view's axes.
    void SetSelectedBoneTurn(const Affine& viewTurn);
    void CaptureBone(int bone);
    void SetBoneTurn(int bone, const Quaternion& turn);
    std::map<int, Quaternion> MirroredBones(bool all, bool fromLeft) const;
    void SetWorld(int segment, const Affine& world);
    static int TopOf(int segment);
    Affine ShownFrame(int segment) const;
    std::function<Affine(int segment)> m_shownFrame;
    bool ReachWith(const FigureLimb& limb, const Point3d& natural, const Point3d& target,
                   const Affine& endWorld);
    // Pinned limbs reach back to their pins, except those `changed` names a segment of, whose
    // pins follow them.
    void HoldPins(const std::vector<int>& changed);
    // Every pin where its end is now (after an undo, a reset, a mirror).
    void RePin();

    std::unique_ptr<PoseArray> m_pose;
    std::array<SegmentShape, kMaxSegments> m_shapes{};
    int m_nSegments = 0;
    bool m_bBuilt = false;
    float m_scale = 1.0f;
    Vec3f m_centre;
    std::vector<int> m_selected;
    std::vector<FigureBone> m_bones;
    std::vector<Quaternion> m_boneTurns;
    int m_selectedBone = -1;
    struct Pull {
        int segment = -1;
        Point3d grab, offset; // the point grabbed, and its offset from the end's joint
        Affine startWorld;    // the pulled segment's transform when the pull began
        std::string stepName;
    };
    std::optional<Pull> m_pull;
    struct Pin {
        int end;
        Affine world; // the end's transform when pinned
    };
    std::vector<Pin> m_pins;
    std::vector<Step> m_undo, m_redo;
    std::unique_ptr<Step> m_open;
    int m_nSaves = 0;
    // A twist's work per position, kept between the twists of one step (a drag twists many
    // times) so that they allocate nothing: the position's turn, and the normal turned there (the
    // points at one position mostly share their normal, which is then turned once). An entry
    // counts for the twist whose stamp it carries.
    struct TurnedPosition {
        BoneTwist::Turn turn;
        Vec3f normalIn, normalOut;
        std::uint32_t stamp = 0, normalStamp = 0;
    };
    std::vector<TurnedPosition> m_turned;
    // The model and the normals the figure was built with (the document's, shared): the segments'
    // rest surfaces are the model's polylines.
    std::shared_ptr<const CUnderlayList> m_model;
    std::shared_ptr<const NormalTable> m_normals;
    std::uint32_t m_turnStamp = 0;
};

} // namespace figurant
