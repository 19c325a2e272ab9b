#include "BvhWriter.h"

#include "ExportSkeleton.h"

#include "NumberConv.h"

namespace figurant {

namespace {

std::string Number(double v) {
    return NineDigits(v == 0 ? 0.0 : v); // no "-0"
}

std::string Triple(const Point3d& p) {
    return Number(p.x) + " " + Number(p.y) + " " + Number(p.z);
}

void WriteJoint(const std::vector<ExportJoint>& joints, std::size_t j, const ExchangeAxes& axes, int depth,
                std::string& out) {
    const std::string indent(static_cast<std::size_t>(2 * depth), ' ');
    const ExportJoint& joint = joints[j];
    const bool root = joint.parent < 0;
    const Point3d offset =
        root ? axes.Point(joint.rest)
             : axes.Point(joint.rest) - axes.Point(joints[static_cast<std::size_t>(joint.parent)].rest);
    out += indent + (root ? "ROOT " : "JOINT ") + joint.name + "\n" + indent + "{\n";
    out += indent + "  OFFSET " + Triple(offset) + "\n";
    out += indent + (root ? "  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
                          : "  CHANNELS 3 Zrotation Xrotation Yrotation\n");
    for (std::size_t c = 0; c < joints.size(); ++c)
        if (joints[c].parent == static_cast<int>(j)) WriteJoint(joints, c, axes, depth + 1, out);
    if (joint.endSite) {
        out += indent + "  End Site\n" + indent + "  {\n";
        out += indent + "    OFFSET " + Triple(axes.Point(*joint.endSite) - axes.Point(joint.rest)) + "\n";
        out += indent + "  }\n";
    }
    out += indent + "}\n";
}

// The channels of one frame, joints in the order the hierarchy lists them.
void WriteFrame(const std::vector<ExportJoint>& joints, std::size_t j, const std::vector<Affine>& world,
                const ExchangeAxes& axes, std::string& out) {
    const ExportJoint& joint = joints[j];
    const Affine posed = axes.Transform(world[static_cast<std::size_t>(joint.segment)]);
    const Point3d rest = axes.Point(joint.rest);
    Affine turn;
    if (joint.parent < 0) {
        out += Triple(posed(rest)) + " ";
        turn = posed;
    } else {
        const ExportJoint& parent = joints[static_cast<std::size_t>(joint.parent)];
        const Affine parentPosed = axes.Transform(world[static_cast<std::size_t>(parent.segment)]);
        turn = Affine::Translation(-1.0 * rest) * parentPosed.Inverse() * posed * Affine::Translation(rest);
    }
    const auto e = EulerZXY(turn);
    out += Number(e[0]) + " " + Number(e[1]) + " " + Number(e[2]) + " ";
    for (std::size_t c = 0; c < joints.size(); ++c)
        if (joints[c].parent == static_cast<int>(j)) WriteFrame(joints, c, world, axes, out);
}

} // namespace

std::string FormatBvh(const Figure& figure, const std::vector<PoseFrame>& frames,
                      const MotionOptions& options) {
    const std::vector<ExportJoint> joints = ExportSkeleton(figure);
    const ExchangeAxes axes(options.metresPerUnit);
    std::string out = "HIERARCHY\n";
    if (!joints.empty()) WriteJoint(joints, 0, axes, 0, out);
    out += "MOTION\nFrames: " + std::to_string(frames.size()) +
           "\nFrame Time: " + Number(1.0 / options.framesPerSecond) + "\n";
    for (const PoseFrame& frame : frames) {
        if (!joints.empty()) WriteFrame(joints, 0, WorldTransforms(frame), axes, out);
        if (out.back() == ' ') out.pop_back();
        out += "\n";
    }
    return out;
}

} // namespace figurant
