#include "MotionCapture.h"

#include "BoneNames.h"
#include "FigureTree.h"
#include "SegmentNames.h"
#include "SegmentVertices.h"
#include "SkeletonShape.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace figurant {

namespace {

enum Segment { kHead = 0, kChest = 1, kPelvis = 3, kFirstLimb = 4, kSegments = 16 };

// A capture bone shorter than this share of the skeleton's size has no direction.
constexpr double kShortestBone = 1e-3;
// Metres of root travel beyond which a capture's motion is not believed.
constexpr double kFarthestTravel = 1e4;

// Each segment's next segment along its bone (-1 for the ends of the limbs and the head).
constexpr int kNextAlong[kSegments] = {-1, 0, -1, -1, 6, 7, 8, 9, -1, -1, 12, 13, 14, 15, -1, -1};

Point3d Unit(const Point3d& v) {
    const double n = std::sqrt(Dot(v, v));
    return n > 1e-12 ? (1 / n) * v : Point3d{0, 0, 0};
}

Affine Columns(const Point3d& x, const Point3d& y, const Point3d& z) {
    Affine a;
    for (std::size_t i = 0; i < 3; ++i) {
        a.r[i][0] = i == 0 ? x.x : i == 1 ? x.y : x.z;
        a.r[i][1] = i == 0 ? y.x : i == 1 ? y.y : y.z;
        a.r[i][2] = i == 0 ? z.x : i == 1 ? z.y : z.z;
    }
    return a;
}

// An orthonormal frame whose y is the bone and whose x lies towards `across`.
Affine BoneFrame(const Point3d& bone, const Point3d& across) {
    const Point3d y = Unit(bone);
    Point3d x = Unit(across - Dot(across, y) * y);
    if (Dot(x, x) == 0) x = Unit(Cross(y, Point3d{0.3, 0.5, 0.8}));
    return Columns(x, y, Cross(x, y));
}

bool Arm(int segment) {
    return segment >= kFirstLimb && segment < 10;
}

// The skeleton's rest pose: every joint's place, and its depth in the tree.
struct RestSkeleton {
    std::vector<Point3d> at;
    std::vector<int> depth;
    explicit RestSkeleton(const BvhMotion& m) {
        for (const BvhJoint& j : m.joints) {
            const bool root = j.parent < 0;
            at.push_back(root ? j.offset : at[static_cast<std::size_t>(j.parent)] + j.offset);
            depth.push_back(root ? 0 : depth[static_cast<std::size_t>(j.parent)] + 1);
        }
    }
};

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Each limb segment and the segment below it along the limb: upper arm and forearm, forearm and
// hand, thigh and shank, shank and foot (right side; the left is one more).
constexpr std::pair<int, int> kAboveBelow[] = {{4, 6}, {6, 8}, {10, 12}, {12, 14}};

// Skeletons named by their joints ("LeftShoulder, LeftElbow, LeftWrist", "lhip, lknee") call the
// upper arm's joint a shoulder: a limb segment no bone was named for follows the parent of the
// bone the segment below it follows, when that parent is no other segment's bone.
void FillByStructure(const BvhMotion& m, std::array<int, kSegments>& bone) {
    for (int side = 0; side < 2; ++side)
        for (auto it = std::rbegin(kAboveBelow); it != std::rend(kAboveBelow); ++it) {
            const auto above = static_cast<std::size_t>(it->first + side),
                       below = static_cast<std::size_t>(it->second + side);
            if (bone[above] >= 0 || bone[below] < 0) continue;
            const int parent = m.joints[static_cast<std::size_t>(bone[below])].parent;
            if (parent > 0 && std::find(bone.begin(), bone.end(), parent) == bone.end()) bone[above] = parent;
        }
}

// The bone of the file each segment follows (-1 for none), by the bone-name table: the shallowest
// bone of each limb part; for the head the one named so (else the neck); the chest follows the
// bone the neck hangs from (the top of the spine); the pelvis the hips, or the root.
std::array<int, kSegments> MatchBones(const BvhMotion& m, const RestSkeleton& rest) {
    std::array<int, kSegments> bone;
    bone.fill(-1);
    auto better = [&](int current, int candidate) {
        return current < 0 || rest.depth[static_cast<std::size_t>(candidate)] <
                                  rest.depth[static_cast<std::size_t>(current)];
    };
    int neck = -1;
    for (int j = 0; j < static_cast<int>(m.joints.size()); ++j) {
        const BvhJoint& joint = m.joints[static_cast<std::size_t>(j)];
        if (joint.endSite) continue;
        const NamedPart part = ClassifyName(joint.name);
        if (part.part == BodyPart::Head) {
            if (better(neck, j)) neck = j;
            if (Lower(joint.name).find("head") != std::string::npos && bone[kHead] < 0) bone[kHead] = j;
            continue;
        }
        if (part.part == BodyPart::Pelvis) {
            if (better(bone[kPelvis], j)) bone[kPelvis] = j;
            continue;
        }
        const int s = SegmentOfPart(part);
        if (s >= kFirstLimb && s < kSegments && better(bone[static_cast<std::size_t>(s)], j))
            bone[static_cast<std::size_t>(s)] = j;
    }
    if (bone[kHead] < 0) bone[kHead] = neck;
    if (neck >= 0) bone[kChest] = m.joints[static_cast<std::size_t>(neck)].parent;
    FillByStructure(m, bone);
    if (bone[kPelvis] < 0 && !m.joints.empty() && std::find(bone.begin(), bone.end(), 0) == bone.end())
        bone[kPelvis] = 0;
    // Segments the names leave unmatched follow the skeleton's shape, where it gives a bone no
    // name took.
    if (std::find(bone.begin() + kFirstLimb, bone.end(), -1) != bone.end() || bone[kHead] < 0 ||
        bone[kChest] < 0) {
        const std::array<int, kSegments> shape = MatchByShape(m, rest.at);
        for (std::size_t s = 0; s < bone.size(); ++s)
            if (s != 2 && bone[s] < 0 && shape[s] >= 0 &&
                std::find(bone.begin(), bone.end(), shape[s]) == bone.end())
                bone[s] = shape[s];
    }
    return bone;
}

// The mean place of a joint's children at rest (the end of its bone); none without children.
std::optional<Point3d> ChildrenMiddle(const BvhMotion& m, const RestSkeleton& rest, int joint) {
    Point3d sum{};
    int n = 0;
    for (std::size_t j = 0; j < m.joints.size(); ++j)
        if (m.joints[j].parent == joint) {
            sum = sum + rest.at[j];
            ++n;
        }
    if (n == 0) return std::nullopt;
    return (1.0 / n) * sum;
}

// Rest places and bone directions of the figure's segments, in view coordinates.
struct FigureRest {
    std::array<std::optional<Point3d>, kSegments> joint; // the chest's is the waist
    std::array<Point3d, kSegments> bone{};
};

Point3d SegmentMiddle(const Figure& figure, int segment) {
    Point3d sum{};
    long n = 0;
    figure.Shape(segment).ForEachRestPoint([&](std::size_t, const Vec3f& p, std::int32_t) {
        sum = sum + ToPoint3d(ViewPoint(p, figure.Scale(), figure.Centre()));
        ++n;
    });
    return n ? (1.0 / static_cast<double>(n)) * sum : sum;
}

// How tall the figure stands at rest (view coordinates, z up).
double BodyHeight(const Figure& figure) {
    double low = 0, high = 0;
    bool any = false;
    for (int s = 0; s < std::min(figure.SegmentCount(), int{kSegments}); ++s)
        figure.Shape(s).ForEachRestPoint([&](std::size_t, const Vec3f& p, std::int32_t) {
            const double z = ToPoint3d(ViewPoint(p, figure.Scale(), figure.Centre())).z;
            low = any ? std::min(low, z) : z;
            high = any ? std::max(high, z) : z;
            any = true;
        });
    return high - low;
}

FigureRest RestOf(const Figure& figure) {
    FigureRest r;
    for (int s = 0; s < std::min(figure.SegmentCount(), int{kSegments}); ++s)
        r.joint[static_cast<std::size_t>(s)] = figure.Pose(s).m_pJointCentre;
    r.joint[kChest] = r.joint[kPelvis];
    auto at = [&](int s) { return r.joint[static_cast<std::size_t>(s)].value_or(SegmentMiddle(figure, s)); };
    for (int s = 0; s < std::min(figure.SegmentCount(), int{kSegments}); ++s) {
        if (s == 2) continue;
        const int next = kNextAlong[s];
        const Point3d end = s == kPelvis ? 0.5 * (at(10) + at(11))
                            : next >= 0  ? at(next)
                                         : SegmentMiddle(figure, s);
        r.bone[static_cast<std::size_t>(s)] = end - at(s);
    }
    return r;
}

struct BodyFrame {
    Point3d right, up, forward;
};

// The figure's right, up and forward (view coordinates, z up) from its shoulders.
BodyFrame FigureAxes(const FigureRest& r) {
    Point3d right{-1, 0, 0};
    if (r.joint[4] && r.joint[5]) {
        const Point3d across = *r.joint[4] - *r.joint[5];
        if (Dot(across, across) > 0) right = Unit({across.x, across.y, 0});
    }
    const Point3d up{0, 0, 1};
    return {right, up, Cross(up, right)};
}

// The coordinate axis (either way) nearest a direction; `skip`, an axis already taken, is not
// chosen. A capture is recorded along its coordinate axes: a rest pose that leans or stands a
// little turned does not tilt or turn the motion.
Point3d NearestAxis(const Point3d& v, const Point3d& skip = {}) {
    const double along[3] = {v.x, v.y, v.z}, taken[3] = {skip.x, skip.y, skip.z};
    int best = -1;
    for (int a = 0; a < 3; ++a)
        if (taken[a] == 0 && (best < 0 || std::fabs(along[a]) > std::fabs(along[best]))) best = a;
    Point3d axis{};
    const double sign = along[best] < 0 ? -1 : 1;
    (best == 0 ? axis.x : best == 1 ? axis.y : axis.z) = sign;
    return axis;
}

// The capture's right, up and forward from its whole rest skeleton: up from the hips towards the
// head (else the highest joint), right across the thighs or the shoulders, each the coordinate axis
// nearest it.
BodyFrame CaptureAxes(const std::array<int, kSegments>& bone, const RestSkeleton& rest) {
    auto at = [&](int s) { return rest.at[static_cast<std::size_t>(bone[static_cast<std::size_t>(s)])]; };
    Point3d up{0, 1, 0}, right{-1, 0, 0};
    if (bone[kHead] >= 0 && bone[kPelvis] >= 0 && Dot(at(kHead) - at(kPelvis), at(kHead) - at(kPelvis)) > 0)
        up = NearestAxis(at(kHead) - at(kPelvis));
    for (const auto& [r, l] : {std::pair{10, 11}, std::pair{4, 5}})
        if (bone[static_cast<std::size_t>(r)] >= 0 && bone[static_cast<std::size_t>(l)] >= 0) {
            const Point3d across = at(r) - at(l);
            if (Dot(across, across) - Dot(across, up) * Dot(across, up) <= 0) continue;
            right = NearestAxis(across - Dot(across, up) * up, up);
            break;
        }
    if (Dot(right, up) != 0) right = NearestAxis(right, up);
    return {right, up, Cross(up, right)};
}

double LegLength(const std::array<std::optional<Point3d>, kSegments>& joint) {
    if (!joint[10] || !joint[12] || !joint[14]) return 0;
    const Point3d a = *joint[12] - *joint[10], b = *joint[14] - *joint[12];
    return std::sqrt(Dot(a, a)) + std::sqrt(Dot(b, b));
}

// A turn about a pivot: T(c) R T(-c), then moved by `travel`.
Matrix4 TurnAbout(const Affine& R, const Point3d& c, const Point3d& travel = {}) {
    Affine m = R.RotationOnly();
    m.t = c - R.RotationOnly()(c) + travel;
    return m.ToMatrix();
}

} // namespace

bool IsMotionCaptureFile(const std::string& path) {
    const auto dot = path.find_last_of('.');
    return dot != std::string::npos && Lower(path.substr(dot)) == ".bvh";
}

std::optional<RetargetedMotion> RetargetMotion(BvhMotion m, const Figure& figure, std::string* error,
                                               bool plantFeet) {
    if (!figure.IsBuilt() || figure.SegmentCount() < kSegments) {
        if (error) *error = "motion is carried onto the jointed figure of sixteen segments";
        return std::nullopt;
    }
    const RestSkeleton rest(m);
    RetargetedMotion::Plan plan;
    const std::array<int, kSegments> bone = plan.bone = MatchBones(m, rest);
    const FigureRest figureRest = RestOf(figure);
    plan.joint = figureRest.joint;
    const BodyFrame f = FigureAxes(figureRest), c = CaptureAxes(bone, rest);
    // From the capture's axes to the figure's.
    const Affine toFigure = plan.toFigure =
        Columns(f.right, f.up, f.forward) * Columns(c.right, c.up, c.forward).Transposed();

    double captureSize = 0; // the farthest joint from the root at rest
    for (const Point3d& p : rest.at)
        captureSize = std::max(captureSize, std::sqrt(Dot(p - rest.at[0], p - rest.at[0])));
    // Each matched segment's rest alignment: the figure's bone frame onto the capture's.
    std::array<Affine, kSegments>& alignment = plan.alignment;
    std::array<std::optional<Point3d>, kSegments> captureJoint;
    for (int s = 0; s < kSegments; ++s)
        if (bone[static_cast<std::size_t>(s)] >= 0)
            captureJoint[static_cast<std::size_t>(s)] =
                rest.at[static_cast<std::size_t>(bone[static_cast<std::size_t>(s)])];
    for (int s = 0; s < kSegments; ++s) {
        const int b = bone[static_cast<std::size_t>(s)];
        // Both pelvises stand upright at rest, whatever their bones' shapes: the root below or
        // level with the hip joints, or helper joints before the thighs, change nothing.
        if (b < 0 || s == 2 || s == kPelvis) continue;
        const int next = kNextAlong[s];
        std::optional<Point3d> end;
        if (s == kChest && bone[kHead] >= 0)
            end = rest.at[static_cast<std::size_t>(bone[kHead])];
        else if (next >= 0 && bone[static_cast<std::size_t>(next)] >= 0)
            end = rest.at[static_cast<std::size_t>(bone[static_cast<std::size_t>(next)])];
        else
            end = ChildrenMiddle(m, rest, b);
        const Point3d from = s == kChest && bone[kPelvis] >= 0
                                 ? rest.at[static_cast<std::size_t>(bone[kPelvis])]
                                 : rest.at[static_cast<std::size_t>(b)];
        // A bone of no length at rest (hips level with the root, as many captures have them) has no
        // direction to match: the segment keeps its own.
        const Point3d& figureBone = figureRest.bone[static_cast<std::size_t>(s)];
        Point3d captureBone = end ? toFigure(*end - from) : figureBone;
        if (Dot(captureBone, captureBone) <= kShortestBone * kShortestBone * captureSize * captureSize)
            captureBone = figureBone;
        const Point3d across = Arm(s) ? f.forward : f.right;
        alignment[static_cast<std::size_t>(s)] =
            BoneFrame(captureBone, across) * BoneFrame(figureBone, across).Transposed();
    }
    const double captureLegs = LegLength(captureJoint), figureLegs = LegLength(figureRest.joint);
    plan.travelScale = captureLegs > 0 && figureLegs > 0 ? figureLegs / captureLegs : 0;
    plan.legLength = figureLegs;

    plan.start = m.frames > 0 ? BvhLocalPosition(m.joints[0], m.Frame(0)) : Point3d{};
    plan.forward = f.forward;
    plan.bodyHeight = BodyHeight(figure);
    plan.plantFeet = plantFeet;
    plan.base = CurrentFrame(figure);
    std::vector<std::string> missing, leftOut;
    for (int s = 0; s < kSegments; ++s)
        if (s != 2 && bone[static_cast<std::size_t>(s)] < 0) missing.push_back(SegmentName(s));
    for (std::size_t j = 0; j < m.joints.size(); ++j)
        if (!m.joints[j].endSite && std::find(bone.begin(), bone.end(), static_cast<int>(j)) == bone.end())
            leftOut.push_back(m.joints[j].name);
    const double framesPerSecond = 1.0 / m.frameTime;
    std::string problem = m.problem;
    RetargetedMotion out(std::move(m), std::move(plan));
    out.framesPerSecond = framesPerSecond;
    out.problem = std::move(problem);
    out.missing = std::move(missing);
    out.leftOut = std::move(leftOut);
    if (plantFeet) out.PlantFeet();
    return out;
}

PoseFrame RetargetedMotion::Frame(int frame) const {
    PoseFrame pose = CaptureFrame(frame);
    if (m_plan.plantFeet) SolveLegs(frame, pose);
    return pose;
}

PoseFrame RetargetedMotion::CaptureFrame(int fr) const {
    const BvhMotion& m = m_motion;
    const Plan& plan = m_plan;
    const float* values = m.Frame(fr);
    std::vector<Affine> world(m.joints.size());
    for (std::size_t j = 0; j < m.joints.size(); ++j) {
        const Affine local = BvhLocalRotation(m.joints[j], values);
        world[j] =
            m.joints[j].parent < 0 ? local : world[static_cast<std::size_t>(m.joints[j].parent)] * local;
    }
    const Affine fromFigure = plan.toFigure.Transposed();
    // Each segment's turn in the world: the capture bone's, in the figure's axes, after the
    // rest alignment; a segment without a bone keeps its parent's.
    std::array<Affine, kSegments> turn{};
    for (const TreeNode& node : FigureTreeTable()) {
        const auto s = static_cast<std::size_t>(node.segment);
        const int b = plan.bone[s];
        if (b >= 0)
            turn[s] = plan.toFigure * world[static_cast<std::size_t>(b)] * fromFigure * plan.alignment[s];
        else if (node.parent >= 0)
            turn[s] = turn[static_cast<std::size_t>(node.parent)];
    }
    PoseFrame frame = plan.base;
    for (const TreeNode& node : FigureTreeTable()) {
        const auto s = static_cast<std::size_t>(node.segment);
        if (node.parent < 0) {
            Point3d travel =
                plan.travelScale > 0
                    ? plan.travelScale * plan.toFigure(BvhLocalPosition(m.joints[0], values) - plan.start)
                    : Point3d{};
            // A capture that travels further than any stage is not followed there.
            if (!(std::fabs(travel.x) + std::fabs(travel.y) + std::fabs(travel.z) < kFarthestTravel))
                travel = {};
            frame[s] = TurnAbout(turn[s], plan.joint[kChest].value_or(Point3d{}), travel);
        } else if (plan.joint[s]) {
            frame[s] =
                TurnAbout(turn[static_cast<std::size_t>(node.parent)].Transposed() * turn[s], *plan.joint[s]);
        }
    }
    return frame;
}

double RetargetedMotion::FarthestTravel() const {
    if (!(m_plan.travelScale > 0) || m_motion.joints.empty()) return 0;
    double farthest = 0;
    for (int f = 0; f < FrameCount(); ++f) {
        const Point3d travel =
            m_plan.travelScale * (BvhLocalPosition(m_motion.joints[0], m_motion.Frame(f)) - m_plan.start);
        if (std::fabs(travel.x) + std::fabs(travel.y) + std::fabs(travel.z) < kFarthestTravel)
            farthest = std::max(farthest, std::sqrt(Dot(travel, travel)));
    }
    return farthest;
}

std::vector<PoseFrame> RetargetedMotion::AllFrames() const {
    std::vector<PoseFrame> frames;
    frames.reserve(static_cast<std::size_t>(FrameCount()));
    for (int f = 0; f < FrameCount(); ++f)
        frames.push_back(Frame(f));
    return frames;
}

std::optional<RetargetedMotion> ReadMotionCapture(const std::string& path, const Figure& figure,
                                                  std::string* error, const BvhProgress& progress,
                                                  bool plantFeet) {
    auto motion = ReadBvhFile(path, error, progress);
    if (!motion) return std::nullopt;
    return RetargetMotion(std::move(*motion), figure, error, plantFeet);
}

std::string UnmatchedNote(const RetargetedMotion& motion) {
    constexpr std::size_t kNamesShown = 6;
    auto list = [](const std::vector<std::string>& names) {
        std::string out;
        for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i)
            out += (i ? ", " : "") + names[i];
        if (names.size() > kNamesShown) out += " and " + std::to_string(names.size() - kNamesShown) + " more";
        return out;
    };
    std::string note = motion.problem;
    auto add = [&note](const std::string& part) { note += (note.empty() ? "" : "; ") + part; };
    if (!motion.missing.empty()) add("no bone of the file moves " + list(motion.missing) + " (kept at rest)");
    if (!motion.leftOut.empty()) add("the figure has nothing for " + list(motion.leftOut));
    return note;
}

} // namespace figurant
