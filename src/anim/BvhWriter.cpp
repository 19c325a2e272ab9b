#include "BvhWriter.h"

#include "ExportSkeleton.h"

#include "NumberConv.h"

#include <cmath>

namespace figurant {

namespace {

std::string Number(double v) {
    return NineDigits(v == 0 ? 0.0 : v); // no "-0"
}

std::string Triple(const Point3d& p) {
    return Number(p.x) + " " + Number(p.y) + " " + Number(p.z);
}

// A joint's offset from its parent at rest (the root's place).
Point3d RestOffset(const std::vector<ExportJoint>& joints, std::size_t j, const ExchangeAxes& axes) {
    const ExportJoint& joint = joints[j];
    return joint.parent < 0
               ? axes.Point(joint.rest)
               : axes.Point(joint.rest) - axes.Point(joints[static_cast<std::size_t>(joint.parent)].rest);
}

void WriteJoint(const std::vector<ExportJoint>& joints, std::size_t j, const std::vector<bool>& moves,
                const ExchangeAxes& axes, int depth, std::string& out) {
    const std::string indent(static_cast<std::size_t>(2 * depth), ' ');
    const ExportJoint& joint = joints[j];
    const bool root = joint.parent < 0;
    out += indent + (root ? "ROOT " : "JOINT ") + joint.name + "\n" + indent + "{\n";
    out += indent + "  OFFSET " + Triple(RestOffset(joints, j, axes)) + "\n";
    out += indent + (moves[j] ? "  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
                              : "  CHANNELS 3 Zrotation Xrotation Yrotation\n");
    for (std::size_t c = 0; c < joints.size(); ++c)
        if (joints[c].parent == static_cast<int>(j)) WriteJoint(joints, c, moves, axes, depth + 1, out);
    if (joint.endSite) {
        out += indent + "  End Site\n" + indent + "  {\n";
        out += indent + "    OFFSET " + Triple(axes.Point(*joint.endSite) - axes.Point(joint.rest)) + "\n";
        out += indent + "  }\n";
    }
    out += indent + "}\n";
}

// The channels of one frame, joints in the order the hierarchy lists them. A joint's position
// channels hold its whole place in its parent's frame, the rest offset included.
// Every joint's transform relative to its parent in one frame (JointLocal), in the joints' order.
using FrameLocals = std::vector<Affine>;

std::vector<FrameLocals> Locals(const std::vector<ExportJoint>& joints, const std::vector<PoseFrame>& frames,
                                const ExchangeAxes& axes) {
    std::vector<FrameLocals> locals;
    locals.reserve(frames.size());
    for (const PoseFrame& frame : frames) {
        const std::vector<Affine> world = WorldTransforms(frame);
        FrameLocals& l = locals.emplace_back();
        for (std::size_t j = 0; j < joints.size(); ++j)
            l.push_back(JointLocal(joints, j, world, axes));
    }
    return locals;
}

void WriteFrame(const std::vector<ExportJoint>& joints, std::size_t j, const std::vector<bool>& moves,
                const FrameLocals& locals, std::string& out) {
    const Affine& local = locals[j];
    if (moves[j]) out += Triple(local.t) + " ";
    const auto e = EulerZXY(local);
    out += Number(e[0]) + " " + Number(e[1]) + " " + Number(e[2]) + " ";
    for (std::size_t c = 0; c < joints.size(); ++c)
        if (joints[c].parent == static_cast<int>(j)) WriteFrame(joints, c, moves, locals, out);
}

// The root, and every joint that some frame moves away from its rest offset (the move keys): they
// get position channels, so no move is lost.
std::vector<bool> MovingJoints(const std::vector<ExportJoint>& joints, const std::vector<FrameLocals>& locals,
                               const ExchangeAxes& axes, double metresPerUnit) {
    constexpr double kStillMetres = 1e-6; // what turning about a joint leaves of a move
    std::vector<bool> moves(joints.size(), false);
    if (!joints.empty()) moves[0] = true;
    for (const FrameLocals& frame : locals)
        for (std::size_t j = 1; j < joints.size(); ++j) {
            const Point3d d = frame[j].t - RestOffset(joints, j, axes);
            moves[j] = moves[j] || std::sqrt(Dot(d, d)) * metresPerUnit > kStillMetres;
        }
    return moves;
}

} // namespace

std::string FormatBvh(const Figure& figure, const std::vector<PoseFrame>& frames,
                      const MotionOptions& options) {
    const std::vector<ExportJoint> joints = ExportSkeleton(figure, options.naming);
    const ExchangeAxes axes = ExportAxes(figure, options.metresPerUnit, options.facingYaw);
    const std::vector<FrameLocals> locals = Locals(joints, frames, axes);
    const std::vector<bool> moves = MovingJoints(joints, locals, axes, options.metresPerUnit);
    std::string out = "HIERARCHY\n";
    if (!joints.empty()) WriteJoint(joints, 0, moves, axes, 0, out);
    out += "MOTION\nFrames: " + std::to_string(frames.size()) +
           "\nFrame Time: " + Number(1.0 / options.framesPerSecond) + "\n";
    for (const FrameLocals& frame : locals) {
        if (!joints.empty()) WriteFrame(joints, 0, moves, frame, out);
        if (out.back() == ' ') out.pop_back();
        out += "\n";
    }
    return out;
}

} // namespace figurant
