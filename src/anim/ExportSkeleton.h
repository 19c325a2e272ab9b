#pragma once
// The figure as the exporters' skeleton: one joint per segment of the figure tree that has a
// surface, at its joint centre, in the view's axes. The pelvis is the root, named Hips, at the
// waist, with the chest above it at the same point, as retargeting tools expect; a figure without
// a jointed pelvis keeps the figure tree's root.
#include "ExportMath.h"
#include "Figure.h"

#include <optional>
#include <string>
#include <vector>

namespace figurant {

struct ExportJoint {
    int segment = 0;
    int parent = -1;  // index in the skeleton; -1 for the root
    Point3d rest;     // the joint's point at rest
    std::string name; // in the naming chosen: "LeftForearm", "leftLowerArm", "LeftForeArm"
    // Leaves: a point beyond the joint, as far past the segment's middle as the joint lies before it.
    std::optional<Point3d> endSite;
};

// The joints' names: the program's own, the glTF avatar humanoid's (hips, spine, leftUpperArm, ...)
// or the motion-capture habit (Hips, Spine, LeftArm, LeftForeArm, LeftUpLeg, ...).
enum class JointNaming { Program, Humanoid, MotionCapture };

// Parents before their children.
std::vector<ExportJoint> ExportSkeleton(const Figure& figure, JointNaming naming = JointNaming::Program);
// The name of a segment's joint in a naming.
std::string JointName(int segment, JointNaming naming);

// Where the figure stands, in view coordinates: under the middle between its feet (the middle of
// its bounds without feet), at the height of its lowest point at rest. Exports put it at their
// origin, so the figure stands on the ground.
Point3d GroundOrigin(const Figure& figure);
// The exchange axes of an export of the figure: on the ground, in the unit chosen, turned by `yaw`
// radians about the vertical (an imported figure faces as it did in its file).
ExchangeAxes ExportAxes(const Figure& figure, double metresPerUnit, double yaw = 0);
// Whether any of the figure's segments turns about a joint: one whose pieces share no joint ring
// has none, and its pieces would only be moved rigidly.
bool HasJoints(const Figure& figure);
// The joint's frame at rest in the exchange axes: at the joint, its y axis along the bone (towards
// the joint the bone leads to: the chest's to the head, the hips' up the spine; a leaf's along its
// segment), its z axis as near the figure's forward as the bone allows (up, for a bone that points
// forward or back, as a foot's), x completing a right-handed frame. Tools draw bones along y.
Affine BoneFrame(const std::vector<ExportJoint>& joints, std::size_t j, const ExchangeAxes& axes);
// A joint's transform relative to its parent joint in one frame, both in their bone frames:
// F_p^-1 F_j with F = (posed world) * BoneFrame.
Affine BoneLocal(const std::vector<ExportJoint>& joints, std::size_t j, const std::vector<Affine>& world,
                 const ExchangeAxes& axes);
// A joint's transform relative to its parent joint in one frame, in the exchange axes:
// G_p^-1 G_j with G = (posed world) * translate(joint at rest); the root's is G itself.
Affine JointLocal(const std::vector<ExportJoint>& joints, std::size_t j, const std::vector<Affine>& world,
                  const ExchangeAxes& axes);

} // namespace figurant
