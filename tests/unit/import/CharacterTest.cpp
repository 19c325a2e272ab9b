// Imported characters posed by their own skeleton: the skin against the tests' own skinning, and
// the two ways of blending on a twisted forearm.
#include "Character.h"
#include "FigureFileReader.h"
#include "RiggedFigureFile.h"
#include "Skinning.h"
#include "TempDir.h"

#include <cmath>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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

namespace {

std::string DataUri(const std::string& bytes) {
    return "data:application/octet-stream;base64," + detail::Base64(bytes);
}

template <typename T> void Put(std::string& bytes, T v) {
    bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// The generated figure with bones no vertex weighs: an end bone under the left finger that the
// skin does not list, and a head top that the skin lists without weights; its first vertex is
// weighed by five bones (one through JOINTS_0, four more through JOINTS_1).
std::string FigureWithWeightlessBones() {
    auto gltf = nlohmann::json::parse(RiggedFigureGltf(kMixamoNames, 8, 1));
    const std::size_t vertices = gltf["accessors"][0]["count"];
    auto& nodes = gltf["nodes"];
    const std::size_t end = nodes.size(), top = end + 1;
    nodes.push_back({{"name", "LeftFinger_End"}, {"translation", {0.08, 0, 0}}});
    nodes.push_back({{"name", "HeadTop_End"}, {"translation", {0, 0.25, 0}}});
    nodes[10]["children"].push_back(end);
    nodes[5]["children"].push_back(top);
    std::string extra;
    for (const FigureBone& bone : kFigureBones)
        for (float c : {1.f, 0.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 0.f, 1.f, 0.f, -bone.head[0],
                        -bone.head[1], -bone.head[2], 1.f})
            Put(extra, c);
    for (float c : {1.f, 0.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, -1.80f, 0.f, 1.f})
        Put(extra, c);
    const std::size_t jointsAt = extra.size();
    for (std::size_t v = 0; v < vertices; ++v)
        for (std::uint16_t j : {1, 2, 3, 4})
            Put(extra, v == 0 ? j : std::uint16_t{0});
    const std::size_t weightsAt = extra.size();
    for (std::size_t v = 0; v < vertices; ++v)
        for (int k = 0; k < 4; ++k)
            Put(extra, v == 0 ? 0.1f : 0.0f);
    gltf["buffers"].push_back({{"byteLength", extra.size()}, {"uri", DataUri(extra)}});
    const std::size_t buffer = gltf["buffers"].size() - 1;
    auto view = [&](std::size_t from, std::size_t to) {
        gltf["bufferViews"].push_back({{"buffer", buffer}, {"byteOffset", from}, {"byteLength", to - from}});
        return gltf["bufferViews"].size() - 1;
    };
    auto accessor = [&](std::size_t bufferView, int type, std::size_t count, const char* shape) {
        gltf["accessors"].push_back(
            {{"bufferView", bufferView}, {"componentType", type}, {"count", count}, {"type", shape}});
        return gltf["accessors"].size() - 1;
    };
    gltf["skins"][0]["joints"].push_back(top);
    gltf["skins"][0]["inverseBindMatrices"] =
        accessor(view(0, jointsAt), 5126, kFigureBones.size() + 1, "MAT4");
    auto& attributes = gltf["meshes"][0]["primitives"][0]["attributes"];
    attributes["JOINTS_1"] = accessor(view(jointsAt, weightsAt), 5123, vertices, "VEC4");
    attributes["WEIGHTS_1"] = accessor(view(weightsAt, extra.size()), 5126, vertices, "VEC4");
    return gltf.dump();
}

} // namespace

// Bones that no vertex weighs stay in the skeleton, also when a vertex has more than four
// influences (the import library's weight limit used to drop them).
TEST(Character, KeepsBonesWithoutWeights) {
    TempDir dir;
    std::string error;
    const auto scene = ReadFigureFile(dir.Write("figure.gltf", FigureWithWeightlessBones()), &error);
    ASSERT_TRUE(scene) << error;
    const auto character = CharacterFromScene(*scene, &error);
    ASSERT_TRUE(character) << error;
    for (const char* name : {"LeftFinger_End", "HeadTop_End"}) {
        const int j = character->FindJoint(name);
        ASSERT_GE(j, 0) << name;
        EXPECT_TRUE(character->joints[static_cast<std::size_t>(j)].bone) << name;
    }
}
