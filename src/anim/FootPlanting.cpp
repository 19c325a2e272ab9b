// Feet that stay planted: where the capture keeps a foot still near its lowest height for a few
// frames, the figure's ankle is held where it was when the foot came down, each frame's leg solved
// as two bones to reach it (blended in and out over a tenth of a second); and in every frame no
// ankle goes below its height at rest, the ground the figure stands on.
#include "MotionCapture.h"

#include "FigureTree.h"
#include "LimbSolver.h"

#include <algorithm>
#include <cmath>

namespace figurant {

namespace {

constexpr int kThigh = 10, kShank = 12, kFoot = 14; // the right side's; the left's is one more
// A foot is planted while it is this close to its lowest height and this slow, as shares of the
// figure's leg length (and of it per second), for at least this many frames.
constexpr double kPlantedHeight = 0.1;
constexpr double kPlantedSpeed = 0.3;
constexpr int kFewestPlantedFrames = 3;
// Seconds over which a hold comes in and goes out.
constexpr double kBlendSeconds = 0.1;
constexpr int kFewestBlendFrames = 2, kMostBlendFrames = 30;
// Ankles nearer their target than this share of the leg are left where they are.
constexpr double kCloseEnough = 1e-6;

double Distance(const Point3d& a, const Point3d& b) {
    return Length(a - b);
}

int TreeParent(int segment) {
    for (const TreeNode& node : FigureTreeTable())
        if (node.segment == segment) return node.parent;
    return -1;
}

// The joints from the root down to `joint`, root first.
std::vector<std::size_t> ChainTo(const BvhMotion& m, int joint) {
    std::vector<std::size_t> chain;
    for (int j = joint; j >= 0; j = m.joints[static_cast<std::size_t>(j)].parent)
        chain.insert(chain.begin(), static_cast<std::size_t>(j));
    return chain;
}

// Where the last joint of the chain is in one frame, in the capture's own units and axes: only
// the joints above it are turned.
Point3d CapturePlace(const BvhMotion& m, const std::vector<std::size_t>& chain, int frame) {
    const float* values = m.Frame(frame);
    Affine world = BvhLocalRotation(m.joints[chain[0]], values);
    Point3d at = BvhLocalPosition(m.joints[chain[0]], values);
    for (std::size_t k = 1; k < chain.size(); ++k) {
        const BvhJoint& joint = m.joints[chain[k]];
        at = at + world(joint.offset);
        world = world * BvhLocalRotation(joint, values);
    }
    return at;
}

// Runs of at least kFewestPlantedFrames planted frames, as first and last frame.
std::vector<std::pair<int, int>> Runs(const std::vector<bool>& planted) {
    std::vector<std::pair<int, int>> runs;
    const int n = static_cast<int>(planted.size());
    for (int f = 0; f < n;) {
        if (!planted[static_cast<std::size_t>(f)]) {
            ++f;
            continue;
        }
        int last = f;
        while (last + 1 < n && planted[static_cast<std::size_t>(last + 1)])
            ++last;
        if (last - f + 1 >= kFewestPlantedFrames) runs.emplace_back(f, last);
        f = last + 1;
    }
    return runs;
}

} // namespace

void RetargetedMotion::PlantFeet() {
    Plan& plan = m_plan;
    const auto& j = plan.joint;
    const double leg = plan.legLength;
    const int frames = FrameCount();
    if (!(plan.travelScale > 0) || !(leg > 0) || frames == 0) return;
    std::array<std::vector<Point3d>, 2> foot;
    for (int side = 0; side < 2; ++side) {
        const int b = plan.bone[static_cast<std::size_t>(kFoot + side)];
        if (b < 0) continue;
        const std::vector<std::size_t> chain = ChainTo(m_motion, b);
        for (int f = 0; f < frames; ++f)
            foot[static_cast<std::size_t>(side)].push_back(plan.travelScale *
                                                           plan.toFigure(CapturePlace(m_motion, chain, f)));
    }
    const double dt = m_motion.frameTime;
    const int blend =
        std::clamp(static_cast<int>(std::lround(kBlendSeconds / dt)), kFewestBlendFrames, kMostBlendFrames);
    for (int side = 0; side < 2; ++side) {
        Footing& footing = plan.feet[static_cast<std::size_t>(side)];
        footing.hold.assign(static_cast<std::size_t>(frames), 0.0f);
        footing.at.assign(static_cast<std::size_t>(frames), Point3d{});
        if (plan.bone[static_cast<std::size_t>(kFoot + side)] < 0 ||
            !j[static_cast<std::size_t>(kFoot + side)])
            continue;
        const std::vector<Point3d>& p = foot[static_cast<std::size_t>(side)];
        double lowest = p[0].z;
        for (const Point3d& q : p)
            lowest = std::min(lowest, q.z);
        std::vector<bool> planted(static_cast<std::size_t>(frames));
        for (int f = 0; f < frames; ++f) {
            const auto before = static_cast<std::size_t>(std::max(f - 1, 0)),
                       after = static_cast<std::size_t>(std::min(f + 1, frames - 1));
            const double speed =
                after > before ? Distance(p[after], p[before]) / (dt * double(after - before)) : 0;
            planted[static_cast<std::size_t>(f)] =
                p[static_cast<std::size_t>(f)].z < lowest + kPlantedHeight * leg &&
                speed < kPlantedSpeed * leg;
        }
        const Point3d& ankle = *j[static_cast<std::size_t>(kFoot + side)];
        for (const auto& [first, last] : Runs(planted)) {
            const std::vector<Affine> world = WorldTransforms(CaptureFrame(first));
            Point3d held = world[static_cast<std::size_t>(kFoot + side)](ankle);
            held.z = std::max(held.z, ankle.z);
            for (int f = std::max(first - blend, 0); f <= std::min(last + blend, frames - 1); ++f) {
                const int outside = f < first ? first - f : f > last ? f - last : 0;
                const auto hold = static_cast<float>(1.0 - static_cast<double>(outside) / (blend + 1));
                if (hold <= footing.hold[static_cast<std::size_t>(f)]) continue;
                footing.hold[static_cast<std::size_t>(f)] = hold;
                footing.at[static_cast<std::size_t>(f)] = held;
            }
        }
    }
}

void RetargetedMotion::SolveLegs(int frame, PoseFrame& pose) const {
    const Plan& plan = m_plan;
    std::vector<Affine> world = WorldTransforms(pose);
    for (int side = 0; side < 2; ++side) {
        const auto thigh = static_cast<std::size_t>(kThigh + side),
                   shank = static_cast<std::size_t>(kShank + side),
                   foot = static_cast<std::size_t>(kFoot + side);
        if (!plan.joint[thigh] || !plan.joint[shank] || !plan.joint[foot] || foot >= world.size()) continue;
        const Point3d hip = world[thigh](*plan.joint[thigh]), knee = world[shank](*plan.joint[shank]),
                      ankle = world[foot](*plan.joint[foot]);
        Point3d target = ankle;
        const Footing& footing = plan.feet[static_cast<std::size_t>(side)];
        if (static_cast<std::size_t>(frame) < footing.hold.size()) {
            const double hold = footing.hold[static_cast<std::size_t>(frame)];
            target = (1 - hold) * ankle + hold * footing.at[static_cast<std::size_t>(frame)];
        }
        target.z = std::max(target.z, plan.joint[foot]->z); // the ground
        if (Distance(target, ankle) <= kCloseEnough * plan.legLength) continue;
        const TwoBoneReach reach = SolveTwoBones({hip, knee, ankle}, target, plan.forward);
        const Affine upper = figurant::TurnAbout(hip, reach.rootTurn);
        const Affine lower = figurant::TurnAbout(reach.middle, reach.middleTurn) * upper;
        const Affine newThigh = upper * world[thigh], newShank = lower * world[shank];
        // The foot keeps its turn in the world: a planted sole stays as it came down.
        const Affine newFoot = Affine::Translation(reach.end - ankle) * world[foot];
        const int parent = TreeParent(kThigh + side);
        const Affine above = parent >= 0 ? world[static_cast<std::size_t>(parent)] : Affine{};
        pose[thigh] = (above.Inverse() * newThigh).ToMatrix();
        pose[shank] = (newThigh.Inverse() * newShank).ToMatrix();
        pose[foot] = (newShank.Inverse() * newFoot).ToMatrix();
        world[thigh] = newThigh, world[shank] = newShank, world[foot] = newFoot;
    }
}

} // namespace figurant
