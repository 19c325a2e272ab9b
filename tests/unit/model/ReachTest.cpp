// Pulling hands and feet: the two-bone solver on its own, then on the default figure with its
// pins and undo.
#include "DefaultFigureTest.h"
#include "LimbSolver.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace figurant;

namespace {

double Distance(const Point3d& a, const Point3d& b) {
    return Length(a - b);
}

double BendDegrees(const Point3d& root, const Point3d& middle, const Point3d& end) {
    const Point3d u = middle - root, v = end - middle;
    return std::acos(std::clamp(Dot(u, v) / (Length(u) * Length(v)), -1.0, 1.0)) * 180.0 / kPi;
}

// A straight arm along -z from the origin: bones of 0.3 and 0.25.
const TwoBoneChain kArm{{0, 0, 0}, {0, 0, -0.3}, {0, 0, -0.55}};
const Point3d kBehind{0, 1, 0};

} // namespace

TEST(TwoBones, ReachWithinLimitsInTheBendingPlaneOrPointStraight) {
    // Within reach: the end meets the target, the bones keep their lengths, the elbow points
    // the natural way and the turns take the bones where the joints went.
    const Point3d target{0.2, -0.1, -0.3};
    const TwoBoneReach r = SolveTwoBones(kArm, target, kBehind);
    EXPECT_TRUE(r.reached);
    EXPECT_LT(Distance(r.end, target), 1e-12);
    EXPECT_NEAR(Distance(r.middle, kArm.root), 0.3, 1e-12);
    EXPECT_NEAR(Distance(r.end, r.middle), 0.25, 1e-12);
    EXPECT_GT(Dot(r.middle - kArm.root - Dot(r.middle, target) / Dot(target, target) * target, kBehind), 0);
    EXPECT_LT(Distance(r.rootTurn(kArm.middle), r.middle), 1e-12);
    EXPECT_LT(Distance(r.middle + r.middleTurn(r.rootTurn(kArm.end - kArm.middle)), r.end), 1e-12);

    // A bent arm keeps the plane it bends in, even when that is not the natural one.
    const TwoBoneChain bent{{0, 0, 0}, {0, 0, -0.3}, {0.25, 0, -0.3}}; // bent out to +x
    const Point3d near{0.1, 0, -0.35};
    const TwoBoneReach b = SolveTwoBones(bent, near, {1, 0, 0});
    EXPECT_NEAR(b.middle.y, 0, 1e-12);
    EXPECT_LT(Distance(b.end, near), 1e-12);

    // Out of reach: straight, pointing at the target.
    const Point3d far{0, -2, 0};
    const TwoBoneReach f = SolveTwoBones(kArm, far, kBehind);
    EXPECT_FALSE(f.reached);
    EXPECT_NEAR(BendDegrees(kArm.root, f.middle, f.end), 0, 1e-6);
    EXPECT_NEAR(f.end.y, -0.55, 1e-12);

    // Too close to the shoulder: bent no further than the limit allows.
    const TwoBoneReach c = SolveTwoBones(kArm, {0, 0.01, -0.01}, kBehind);
    EXPECT_FALSE(c.reached);
    EXPECT_NEAR(BendDegrees(kArm.root, c.middle, c.end), kMostLimbBend, 1e-6);
}

class ReachTest : public test::DefaultFigureTest {
  protected:
    std::vector<float> Values() const { return figure.PoseValues(); }
};

TEST_F(ReachTest, APulledHandMeetsTheTargetAndKeepsItsTurnUndoneToTheBit) {
    constexpr int kLeftHand = 9, kLeftUpperArm = 5, kLeftForearm = 7;
    const std::vector<float> rest = Values();
    const Point3d shoulder = *figure.JointWorld(kLeftUpperArm);
    const Point3d wrist = *figure.JointWorld(kLeftHand);
    const Point3d grab = wrist + Point3d{0, 0, -0.05};
    const Affine handTurn = figure.SegmentWorld(kLeftHand).RotationOnly();
    figure.BeginPull(kLeftHand, grab);
    const Point3d target = shoulder + Point3d{0.15, -0.25, -0.2};
    EXPECT_TRUE(figure.PullTo(target));
    figure.EndPull();
    // The grabbed point is at the target: the wrist under it by the same offset.
    EXPECT_LT(Distance(*figure.JointWorld(kLeftHand), target - (grab - wrist)), 1e-4);
    EXPECT_LT(Distance(*figure.JointWorld(kLeftUpperArm), shoulder), 1e-5);
    const Affine turned = figure.SegmentWorld(kLeftHand).RotationOnly();
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            EXPECT_NEAR(turned.r[i][j], handTurn.r[i][j], 1e-5);
    const double bend =
        BendDegrees(shoulder, *figure.JointWorld(kLeftForearm), *figure.JointWorld(kLeftHand));
    EXPECT_GT(bend, 1);
    EXPECT_LE(bend, kMostLimbBend + 1e-3);
    EXPECT_EQ(figure.UndoName(), "Pull Left Hand");
    figure.Undo();
    EXPECT_EQ(Values(), rest);
}

TEST_F(ReachTest, PinnedFeetStayWhileTheFigureMovesDownAndTheKneesBend) {
    constexpr int kFeet[] = {14, 15}, kShanks[] = {12, 13}, kThighs[] = {10, 11};
    constexpr int kPelvis = 3;
    const std::vector<float> rest = Values();
    Point3d ankles[2];
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(figure.TogglePin(kFeet[i]));
        ankles[i] = *figure.JointWorld(kFeet[i]);
    }
    const Point3d grab = *figure.JointWorld(kPelvis);
    figure.BeginPull(kPelvis, grab);
    figure.PullTo(grab + Point3d{0, 0, -0.2});
    figure.EndPull();
    EXPECT_EQ(figure.UndoName(), "Move Figure");
    EXPECT_NEAR(figure.JointWorld(kPelvis)->z, grab.z - 0.2, 1e-5);
    for (int i = 0; i < 2; ++i) {
        EXPECT_LT(Distance(*figure.JointWorld(kFeet[i]), ankles[i]), 1e-4) << i;
        const double knee = BendDegrees(*figure.JointWorld(kThighs[i]), *figure.JointWorld(kShanks[i]),
                                        *figure.JointWorld(kFeet[i]));
        EXPECT_GT(knee, 20) << i;
        // The knees bend forwards (the figure faces -y).
        const Point3d hip = *figure.JointWorld(kThighs[i]), ankle = *figure.JointWorld(kFeet[i]);
        EXPECT_LT(figure.JointWorld(kShanks[i])->y, 0.5 * (hip.y + ankle.y)) << i;
    }
    // Turning the pelvis leaves the pinned feet where they are too.
    figure.Pick(kPelvis, false);
    figure.ApplyPoseKey({PoseKeyStep::Turn, 0, 10}, 0.1f);
    for (int i = 0; i < 2; ++i)
        EXPECT_LT(Distance(*figure.JointWorld(kFeet[i]), ankles[i]), 1e-4) << i;
    figure.Undo();
    figure.Undo();
    EXPECT_EQ(Values(), rest);
    // Unpinned, a foot follows its leg again.
    EXPECT_FALSE(figure.TogglePin(kFeet[0]));
    EXPECT_EQ(figure.PinnedEnds(), std::vector<int>{kFeet[1]});
}
