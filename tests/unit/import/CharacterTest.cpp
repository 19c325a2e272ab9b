// Imported characters posed by their own skeleton: the skin against the tests' own skinning, and
// the two ways of blending on a twisted forearm.
#include "Character.h"
#include "FigureFileReader.h"
#include "RiggedFigureFile.h"
#include "Skinning.h"
#include "TempDir.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace figurant;
using namespace figurant::test;

namespace {

Character ReadArm(const ArmOptions& options = {}) {
    TempDir dir;
    std::string error;
    const auto scene = ReadFigureFile(dir.Write("arm.gltf", ArmCharacterGltf(options)), &error);
    EXPECT_TRUE(scene) << error;
    auto character = CharacterFromScene(*scene, &error);
    EXPECT_TRUE(character) << error;
    return std::move(*character);
}

Quaternion AboutAxis(double x, double y, double z, double degrees) {
    const double half = degrees * kPi / 360;
    return {x * std::sin(half), y * std::sin(half), z * std::sin(half), std::cos(half)};
}

// `turns` by the arm's nodes, in their order.
std::vector<Vec3f> Posed(const Character& c, const std::vector<Quaternion>& turns, SkinMethod method) {
    std::vector<Quaternion> byJoint(c.joints.size(), Quaternion{0, 0, 0, 1});
    for (std::size_t i = 0; i < turns.size(); ++i)
        byJoint[static_cast<std::size_t>(c.FindJoint(kArmNodes[i].name))] = turns[i];
    std::vector<Vec3f> positions, normals;
    SkinSurface(c, JointMoves(c, JointWorlds(c, byJoint)), method, Affine{}, positions, normals);
    return positions;
}

// The mean distance from the forearm's axis of the surface's points at the elbow (in the upper
// arm's rest frame, the forearm turned about its own axis only).
double ElbowRadius(const std::vector<Vec3f>& positions, const ArmSurface& arm) {
    const Mat4 toArm = InverseRigid(ArmWorlds()[1]);
    double sum = 0;
    int n = 0;
    for (std::size_t v = 0; v < positions.size(); ++v) {
        const auto rest = Apply(toArm, arm.positions[v]);
        if (std::fabs(rest[0] - 0.3) > 1e-6) continue;
        const auto p = Apply(toArm, {positions[v].x, positions[v].y, positions[v].z});
        sum += std::hypot(p[1], p[2]);
        ++n;
    }
    return n ? sum / n : 0;
}

} // namespace

TEST(Character, KeepsEveryBoneAndSkinsAsTheFileDefines) {
    const Character arm = ReadArm();
    for (const ArmNode& node : kArmNodes)
        EXPECT_TRUE(arm.joints[static_cast<std::size_t>(arm.FindJoint(node.name))].bone) << node.name;
    const std::vector<Quaternion> turns = {
        {0, 0, 0, 1}, AboutAxis(0, 1, 0, 30), AboutAxis(0, 0, 1, 90), AboutAxis(1, 0, 0, 45)};
    const std::vector<Vec3f> posed = Posed(arm, turns, SkinMethod::Linear);
    const auto expected = ArmLinearBlend({}, {turns.begin(), turns.end()});
    ASSERT_EQ(posed.size(), expected.size());
    double worst = 0;
    for (std::size_t v = 0; v < posed.size(); ++v)
        worst = std::max({worst, std::fabs(expected[v][0] - posed[v].x),
                          std::fabs(expected[v][1] - posed[v].y), std::fabs(expected[v][2] - posed[v].z)});
    EXPECT_LT(worst, 1e-5);
}

// A quarter twist of the forearm about its own axis: linear blending pulls the elbow's skin in
// towards the axis (to cos 45 degrees of its radius halfway through the blend), dual quaternions
// keep it round.
TEST(Character, DualQuaternionsKeepATwistedElbowsVolume) {
    const Character arm = ReadArm();
    const std::vector<Quaternion> twist = {{0, 0, 0, 1}, {0, 0, 0, 1}, AboutAxis(1, 0, 0, 90), {0, 0, 0, 1}};
    const ArmSurface surface = ArmTube({});
    const double linear = ElbowRadius(Posed(arm, twist, SkinMethod::Linear), surface);
    const double dual = ElbowRadius(Posed(arm, twist, SkinMethod::DualQuaternion), surface);
    EXPECT_NEAR(linear, kArmRadius * std::cos(kPi / 4), 2e-3);
    EXPECT_NEAR(dual, kArmRadius, 1e-4);
}

// Separate pieces, each wholly bound to its bone, move with their bones as rigid pieces; the
// bound positions of the blended arm move apart only where their weights differ.
TEST(Character, PiecesFollowTheirBonesAndNothingTears) {
    const Character pieces = ReadArm({12, 28, 0.06, true});
    const std::vector<Quaternion> bend = {{0, 0, 0, 1}, {0, 0, 0, 1}, AboutAxis(0, 0, 1, 90), {0, 0, 0, 1}};
    const std::vector<Vec3f> posed = Posed(pieces, bend, SkinMethod::DualQuaternion);
    const Mat4 handMove = Multiply(ArmWorlds(bend)[3], InverseRigid(ArmWorlds()[3]));
    const ArmSurface surface = ArmTube({12, 28, 0.06, true});
    for (std::size_t v = 0; v < posed.size(); ++v) {
        if (surface.joints[v][0] != 3) continue;
        const auto expected = Apply(handMove, surface.positions[v]);
        EXPECT_NEAR(posed[v].x, expected[0], 1e-5);
        EXPECT_NEAR(posed[v].z, expected[2], 1e-5);
    }
}
