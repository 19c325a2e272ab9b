#include "ExportSkeleton.h"

#include "SegmentVertices.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace figurant {

namespace {

Point3d Middle(const std::vector<Point3d>& points) {
    Point3d sum{};
    for (const Point3d& p : points)
        sum = sum + p;
    return points.empty() ? sum : (1.0 / static_cast<double>(points.size())) * sum;
}

constexpr int kChest = 1, kPelvis = 3;

// The pelvis first, as the root, with the chest hanging from it; the rest keep their order.
void RootAtThePelvis(std::vector<ExportJoint>& joints) {
    const auto pelvis =
        std::find_if(joints.begin(), joints.end(), [](const ExportJoint& j) { return j.segment == kPelvis; });
    if (joints.empty() || joints[0].segment != kChest || pelvis == joints.end()) return;
    const int oldPelvis = static_cast<int>(pelvis - joints.begin());
    std::vector<int> newIndex(joints.size());
    std::vector<ExportJoint> order{*pelvis};
    for (std::size_t j = 0; j < joints.size(); ++j) {
        if (static_cast<int>(j) == oldPelvis) continue;
        newIndex[j] = static_cast<int>(order.size());
        order.push_back(joints[j]);
    }
    newIndex[static_cast<std::size_t>(oldPelvis)] = 0;
    for (ExportJoint& j : order)
        j.parent = j.parent < 0 ? -1 : newIndex[static_cast<std::size_t>(j.parent)];
    order[0].parent = -1;
    order[1].parent = 0; // the chest
    joints = std::move(order);
}

} // namespace

std::string JointName(int segment, JointNaming naming) {
    // Index = segment number; segment 2 is no part of the figure tree.
    static const char* const kNames[][3] = {
        {"Head", "head", "Head"},
        {"Chest", "spine", "Spine"},
        {"Segment2", "segment2", "Segment2"},
        {"Hips", "hips", "Hips"},
        {"RightUpperArm", "rightUpperArm", "RightArm"},
        {"LeftUpperArm", "leftUpperArm", "LeftArm"},
        {"RightForearm", "rightLowerArm", "RightForeArm"},
        {"LeftForearm", "leftLowerArm", "LeftForeArm"},
        {"RightHand", "rightHand", "RightHand"},
        {"LeftHand", "leftHand", "LeftHand"},
        {"RightThigh", "rightUpperLeg", "RightUpLeg"},
        {"LeftThigh", "leftUpperLeg", "LeftUpLeg"},
        {"RightShank", "rightLowerLeg", "RightLeg"},
        {"LeftShank", "leftLowerLeg", "LeftLeg"},
        {"RightFoot", "rightFoot", "RightFoot"},
        {"LeftFoot", "leftFoot", "LeftFoot"},
    };
    constexpr int kNamed = static_cast<int>(std::size(kNames));
    if (segment < 0 || segment >= kNamed) return "Segment" + std::to_string(segment);
    return kNames[segment][static_cast<int>(naming)];
}

std::vector<ExportJoint> ExportSkeleton(const Figure& figure, JointNaming naming) {
    std::vector<ExportJoint> joints;
    std::vector<int> indexOf(kMaxSegments, -1);
    // Each segment's vertices, worked out once.
    std::vector<std::vector<Point3d>> vertices(kMaxSegments);
    for (int s = 0; s < figure.SegmentCount() && s < kMaxSegments; ++s)
        vertices[static_cast<std::size_t>(s)] = figure.Vertices(s);
    auto present = [&](int s) {
        return s >= 0 && s < figure.SegmentCount() && s < kMaxSegments &&
               !vertices[static_cast<std::size_t>(s)].empty();
    };
    for (const TreeNode& node : FigureTreeTable()) {
        if (!present(node.segment)) continue;
        const SegmentPose& p = figure.Pose(node.segment);
        const std::vector<Point3d>& own = vertices[static_cast<std::size_t>(node.segment)];
        ExportJoint j;
        j.segment = node.segment;
        j.name = JointName(node.segment, naming);
        j.parent = node.parent >= 0 ? indexOf[static_cast<std::size_t>(node.parent)] : -1;
        // A segment whose parent is missing hangs from the root.
        if (j.parent < 0 && !joints.empty()) j.parent = 0;
        if (p.m_pJointCentre) {
            j.rest = *p.m_pJointCentre;
        } else if (node.parent < 0) {
            // The root sits at the waist, where the pelvis meets it, or in its middle.
            const auto& children = node.children;
            const auto pelvis = std::find(children.begin(), children.end(), 3);
            const bool waist = pelvis != children.end() && present(3) && figure.Pose(3).m_pJointCentre;
            j.rest = waist ? *figure.Pose(3).m_pJointCentre : Middle(own);
        } else {
            j.rest = Middle(own);
        }
        const bool leaf = std::none_of(node.children.begin(), node.children.end(), present);
        if (leaf) j.endSite = 2.0 * Middle(own) - j.rest;
        indexOf[static_cast<std::size_t>(node.segment)] = static_cast<int>(joints.size());
        joints.push_back(j);
    }
    RootAtThePelvis(joints);
    return joints;
}

Point3d GroundOrigin(const Figure& figure) {
    constexpr int kRightFoot = 14, kLeftFoot = 15;
    Point3d low{1e300, 1e300, 1e300}, high{-1e300, -1e300, -1e300};
    std::array<Point3d, 2> feet{};
    std::array<double, 2> footPoints{};
    for (int s = 0; s < figure.SegmentCount() && s < kMaxSegments; ++s)
        figure.Shape(s).ForEachRestPoint([&](std::size_t, const Vec3f& rest, std::int32_t) {
            const Point3d p = ToPoint3d(ViewPoint(rest, figure.Scale(), figure.Centre()));
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
            if (s == kRightFoot || s == kLeftFoot) {
                feet[static_cast<std::size_t>(s - kRightFoot)] =
                    feet[static_cast<std::size_t>(s - kRightFoot)] + p;
                footPoints[static_cast<std::size_t>(s - kRightFoot)] += 1;
            }
        });
    if (low.z > high.z) return {};
    Point3d middle = 0.5 * (low + high);
    if (footPoints[0] > 0 && footPoints[1] > 0)
        middle = 0.5 * ((1.0 / footPoints[0]) * feet[0] + (1.0 / footPoints[1]) * feet[1]);
    return {middle.x, middle.y, low.z};
}

ExchangeAxes ExportAxes(const Figure& figure, double metresPerUnit, double yaw) {
    return ExchangeAxes(metresPerUnit, GroundOrigin(figure), yaw);
}

Affine JointLocal(const std::vector<ExportJoint>& joints, std::size_t j, const std::vector<Affine>& world,
                  const ExchangeAxes& axes) {
    const ExportJoint& joint = joints[j];
    const Affine G = axes.Transform(world[static_cast<std::size_t>(joint.segment)]) *
                     Affine::Translation(axes.Point(joint.rest));
    if (joint.parent < 0) return G;
    const ExportJoint& parent = joints[static_cast<std::size_t>(joint.parent)];
    const Affine P = axes.Transform(world[static_cast<std::size_t>(parent.segment)]) *
                     Affine::Translation(axes.Point(parent.rest));
    return P.Inverse() * G;
}

namespace {

// Shorter than this, a bone has no direction of its own (the chest starts where the hips do).
constexpr double kShortestBone = 1e-4; // metres

// The direction a joint's bone points in, in the exchange axes: to the child that continues the
// chain (the head from the chest, the chest from the hips, a limb's only child), through that
// child's own bone when the two joints coincide; a leaf along its segment.
Point3d BoneDirection(const std::vector<ExportJoint>& joints, std::size_t j, const ExchangeAxes& axes) {
    const ExportJoint& joint = joints[j];
    std::optional<std::size_t> next;
    for (std::size_t c = 0; c < joints.size(); ++c) {
        if (joints[c].parent != static_cast<int>(j)) continue;
        const bool continues = (joint.segment == kChest && joints[c].segment == 0) ||
                               (joint.segment == kPelvis && joints[c].segment == kChest);
        if (!next || continues) next = c;
        if (continues) break;
    }
    const Point3d from = axes.Point(joint.rest);
    if (next) {
        const Point3d d = axes.Point(joints[*next].rest) - from;
        if (std::sqrt(Dot(d, d)) > kShortestBone) return Normalize(d);
        return BoneDirection(joints, *next, axes);
    }
    const Point3d d = joint.endSite ? axes.Point(*joint.endSite) - from : Point3d{};
    return std::sqrt(Dot(d, d)) > kShortestBone ? Normalize(d) : Point3d{0, 1, 0};
}

} // namespace

Affine BoneFrame(const std::vector<ExportJoint>& joints, std::size_t j, const ExchangeAxes& axes) {
    // Beyond this cosine with the forward axis a bone takes up as its reference instead.
    constexpr double kAlongForward = 0.7;
    const Point3d y = BoneDirection(joints, j, axes);
    const Point3d forward = axes.Direction({0, -1, 0}), up{0, 1, 0}; // the figure's, as exported
    const Point3d reference = std::fabs(Dot(y, forward)) > kAlongForward ? up : forward;
    const Point3d z = Normalize(reference - Dot(reference, y) * y);
    const Point3d x = Cross(y, z);
    Affine frame = Affine::Translation(axes.Point(joints[j].rest));
    frame.r = {{{x.x, y.x, z.x}, {x.y, y.y, z.y}, {x.z, y.z, z.z}}};
    return frame;
}

Affine BoneLocal(const std::vector<ExportJoint>& joints, std::size_t j, const std::vector<Affine>& world,
                 const ExchangeAxes& axes) {
    const ExportJoint& joint = joints[j];
    const Affine F =
        axes.Transform(world[static_cast<std::size_t>(joint.segment)]) * BoneFrame(joints, j, axes);
    if (joint.parent < 0) return F;
    const auto p = static_cast<std::size_t>(joint.parent);
    const Affine P =
        axes.Transform(world[static_cast<std::size_t>(joints[p].segment)]) * BoneFrame(joints, p, axes);
    return P.Inverse() * F;
}

bool HasJoints(const Figure& figure) {
    for (int s = 0; s < figure.SegmentCount() && s < kMaxSegments; ++s)
        if (figure.Pose(s).m_pJointCentre) return true;
    return false;
}

} // namespace figurant
