// Rigged figures from other tools: bone names of the common conventions, the conversion of the
// sample GLB and of generated files in each convention and format, and the failures a user meets.
#include "FigureImport.h"
#include "BoneNames.h"
#include "DefaultModel.h"
#include "Figure.h"
#include "FigureFileReader.h"
#include "FigureTree.h"
#include "KvtDoc.h"
#include "RiggedFigureFile.h"
#include "ScriptedServices.h"
#include "TempDir.h"

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace figurant;
using figurant::test::BoneNaming;

namespace {

const std::string kSampleGlb = FIGURANT_TEST_MODELS "/male_base_mesh.glb";

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Centre of a segment's faces in the drawing's frame (x forward, y up, z the figure's right).
Vec3f SegmentCentre(const CUnderlayList& model, int segment) {
    Vec3f sum{};
    int n = 0;
    for (const auto& line : model)
        if (CKvtDoc::SegmentFromCode(line->m_nSegment) == segment)
            for (const Vec3f& p : line->Points())
                sum = sum + p, ++n;
    return n ? Vec3f{sum.x / n, sum.y / n, sum.z / n} : Vec3f{};
}

void ExpectWholeFigure(const ConvertedFigure& figure, const std::string& what) {
    ASSERT_TRUE(figure.error.empty()) << what << ": " << figure.error;
    EXPECT_TRUE(figure.missingJoints.empty()) << what << ": " << figure.missingJoints.front();
    ASSERT_EQ(figure.joints.size(), 14u) << what;
    for (const JointReport& j : figure.joints)
        EXPECT_GT(j.ringSize, 2) << what << ": joint " << j.parent << "-" << j.child;
    // The figure's right is +z, its left -z, whatever the file's own axes.
    EXPECT_GT(SegmentCentre(*figure.model, 8).z, 0) << what;
    EXPECT_LT(SegmentCentre(*figure.model, 9).z, 0) << what;
    EXPECT_GT(SegmentCentre(*figure.model, 0).y, SegmentCentre(*figure.model, 14).y) << what;
}

ConvertedFigure ConvertFile(const std::string& path) {
    std::string error;
    const auto scene = ReadFigureFile(path, &error);
    if (!scene) {
        ConvertedFigure failed;
        failed.error = error;
        return failed;
    }
    return ConvertFigure(*scene);
}

} // namespace

TEST(BoneNames, CommonConventionsNameTheSegments) {
    const std::pair<const char*, int> cases[] = {
        // Mixamo
        {"mixamorig:LeftForeArm", 7},
        {"mixamorig:RightUpLeg", 10},
        {"mixamorig:LeftHandThumb2", 9},
        {"mixamorig:RightToeBase", 14},
        {"mixamorig:Neck", 0},
        {"mixamorig:LeftShoulder", 1},
        {"mixamorig:RightArm", 4},
        {"mixamorig:LeftLeg", 13},
        {"mixamorig:HeadTop_End", 0},
        // Blender / Rigify
        {"forearm.L", 7},
        {"upper_arm.R", 4},
        {"thigh.L", 11},
        {"shin.R", 12},
        {"DEF-forearm.L", 7},
        {"ORG-thigh.R", 10},
        {"DEF-upper_arm.L.001", 5},
        {"f_index.02.R", 8},
        {"toe.L", 15},
        {"heel.02.R", 14},
        {"shoulder.L", 1},
        {"pelvis.R", 3},
        {"palm.01.L", 9},
        // VRM humanoid
        {"leftLowerArm", 7},
        {"rightUpperLeg", 10},
        {"leftToes", 15},
        {"rightThumbProximal", 8},
        {"upperChest", 1},
        {"hips", 3},
        {"head", 0},
        {"leftEye", 0},
        {"jaw", 0},
        {"LeftEyeball", 0},
        // Unreal
        {"lowerarm_l", 7},
        {"upperarm_twist_01_r", 4},
        {"calf_r", 12},
        {"ball_l", 15},
        {"clavicle_l", 1},
        {"thigh_twist_01_l", 11},
        {"pelvis", 3},
        {"neck_01", 0},
        {"hand_r", 8},
        {"index_02_l", 9},
        // MakeHuman
        {"lowerarm01.L", 7},
        {"upperleg02.R", 10},
        {"lowerleg01.L", 13},
        {"toe1-1.R", 14},
        {"clavicle.L", 1},
        {"neck01", 0},
        {"finger2-3.L", 9},
        {"wrist.R", 8},
        // VRoid, Biped and plain words
        {"J_Bip_L_LowerArm", 7},
        {"J_Bip_R_UpperLeg", 10},
        {"J_Bip_C_UpperChest", 1},
        {"Bip01 L Forearm", 7},
        {"Bip01 R Calf", 12},
        {"Bip01 L Toe0", 15},
        {"Bip01 Pelvis", 3},
        {"LeftHand", 9},
        {"Hand_R", 8},
        {"R_Foot", 14},
        {"Arm.L", 5},
        {"L_UpperArm", 5},
        {"RightFoot", 14},
        // Names that say no body part: limbs need a side, the root and the armature are nothing
        {"Armature", -1},
        {"root", -1},
        {"Arm", -1},
        {"Bone.003", -1},
        {"", -1}};
    for (const auto& [name, segment] : cases)
        EXPECT_EQ(SegmentOfPart(ClassifyName(name)), segment) << name;
    EXPECT_EQ(ClassifyName("mixamorig:Spine1").part, BodyPart::Spine);
    EXPECT_EQ(ClassifyName("spine.004").part, BodyPart::Spine);
}

TEST(BoneNames, SpineSplitsAtTheWaistAndUnknownBonesFoldIntoTheirAncestor) {
    const std::vector<ImportBone> bones = {
        {"root", -1, {0, 0, 0}},
        {"spine", 0, {0, 1.00, 0}},
        {"spine.001", 1, {0, 1.10, 0}},
        {"spine.002", 2, {0, 1.25, 0}},
        {"spine.003", 3, {0, 1.40, 0}},
        {"spine.004", 4, {0, 1.52, 0}},
        {"hat", 5, {0, 1.80, 0}},
        {"upper_arm.L", 4, {0.2, 1.48, 0}},
        {"upper_arm.R", 4, {-0.2, 1.48, 0}},
        {"thigh.L", 1, {0.1, 0.95, 0}},
        {"thigh.R", 1, {-0.1, 0.95, 0}},
        {"bracelet", 7, {0.5, 1.2, 0}},
    };
    const std::vector<int> s = BoneSegments(bones);
    // Hips at 0.95, shoulders at 1.48: the waist at about 1.14.
    EXPECT_EQ(s, (std::vector<int>{3, 3, 3, 1, 1, 0, 0, 5, 4, 11, 10, 5}));
}

TEST(FigureImport, TheSampleGlbBecomesAWholeFigure) {
    const ConvertedFigure figure = ConvertFile(kSampleGlb);
    ExpectWholeFigure(figure, "sample");
    EXPECT_TRUE(figure.normalsFromFile);
    // Boundaries run along the mesh's loops (the halves of each modelled quad stay together), not in
    // teeth across them, which visit more vertices: the sample's loops have at most 16.
    for (const JointReport& j : figure.joints)
        EXPECT_LE(j.ringSize, 16) << j.parent << "-" << j.child;
    // The sample faces +x, as the program's figure does: the toes lie in front of the ankles.
    EXPECT_GT(SegmentCentre(*figure.model, 14).x, SegmentCentre(*figure.model, 12).x);
    // 1.95 m tall, in the drawing's units of 2.54 m.
    EXPECT_NEAR((figure.model->Bounds().max.y - figure.model->Bounds().min.y) * 2.54, 1.95, 0.05);
    long corners = 0;
    for (const auto& line : *figure.model)
        corners += line->GetSize();
    EXPECT_EQ(static_cast<long>(figure.normals.size()), corners);
    // A VRM avatar is a binary glTF by another name.
    test::TempDir dir;
    std::ifstream in(kSampleGlb, std::ios::binary);
    WriteText(dir.File("avatar.vrm"), std::string(std::istreambuf_iterator<char>(in), {}));
    ExpectWholeFigure(ConvertFile(dir.File("avatar.vrm")), "vrm");
}

TEST(FigureImport, EveryNamingConventionAndFormatGivesTheSameFigure) {
    const BoneNaming rigify = {"spine",        "spine.001",  "spine.002",   "spine.003", "spine.004",
                               "spine.005",    "shoulder.L", "upper_arm.L", "forearm.L", "hand.L",
                               "f_index.01.L", "shoulder.R", "upper_arm.R", "forearm.R", "hand.R",
                               "f_index.01.R", "thigh.L",    "shin.L",      "foot.L",    "thigh.R",
                               "shin.R",       "foot.R"};
    const BoneNaming vrm = {"hips",
                            "spine",
                            "chest",
                            "upperChest",
                            "neck",
                            "head",
                            "leftShoulder",
                            "leftUpperArm",
                            "leftLowerArm",
                            "leftHand",
                            "leftIndexProximal",
                            "rightShoulder",
                            "rightUpperArm",
                            "rightLowerArm",
                            "rightHand",
                            "rightIndexProximal",
                            "leftUpperLeg",
                            "leftLowerLeg",
                            "leftFoot",
                            "rightUpperLeg",
                            "rightLowerLeg",
                            "rightFoot"};
    const BoneNaming unreal = {"pelvis",     "spine_01",   "spine_02",   "spine_03",   "neck_01",
                               "head",       "clavicle_l", "upperarm_l", "lowerarm_l", "hand_l",
                               "index_01_l", "clavicle_r", "upperarm_r", "lowerarm_r", "hand_r",
                               "index_01_r", "thigh_l",    "calf_l",     "foot_l",     "thigh_r",
                               "calf_r",     "foot_r"};
    const BoneNaming makehuman = {
        "root",         "spine05",      "spine03",      "spine01",     "neck01",       "head",
        "clavicle.L",   "upperarm01.L", "lowerarm01.L", "wrist.L",     "finger2-1.L",  "clavicle.R",
        "upperarm01.R", "lowerarm01.R", "wrist.R",      "finger2-1.R", "upperleg01.L", "lowerleg01.L",
        "foot.L",       "upperleg01.R", "lowerleg01.R", "foot.R"};
    test::TempDir dir;
    for (const auto& [name, naming] :
         {std::pair{"mixamo", test::kMixamoNames}, std::pair{"rigify", rigify}, std::pair{"vrm", vrm},
          std::pair{"unreal", unreal}, std::pair{"makehuman", makehuman}}) {
        const std::string path = dir.File(std::string(name) + ".gltf");
        WriteText(path, test::RiggedFigureGltf(naming));
        ExpectWholeFigure(ConvertFile(path), name);
    }
    // FBX and Collada, written by the import library from the Mixamo-style figure.
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(dir.File("mixamo.gltf"), 0);
    ASSERT_NE(scene, nullptr);
    Assimp::Exporter exporter;
    for (const auto& [format, extension] : {std::pair{"fbxa", ".fbx"}, std::pair{"collada", ".dae"}}) {
        const std::string path = dir.File(std::string("exported") + extension);
        ASSERT_EQ(exporter.Export(scene, format, path), AI_SUCCESS) << exporter.GetErrorString();
        ExpectWholeFigure(ConvertFile(path), format);
    }
    // An OBJ without a skeleton: its group names say the parts.
    WriteText(dir.File("groups.obj"), test::FigureObj(test::kMixamoNames));
    const ConvertedFigure obj = ConvertFile(dir.File("groups.obj"));
    ExpectWholeFigure(obj, "obj");
    EXPECT_FALSE(obj.normalsFromFile);
}

TEST(FigureImport, FilesThatSayNoBodyPartOrAreNoFigureAreRefusedAndTheModelStays) {
    test::TempDir dir;
    BoneNaming anonymous{};
    std::vector<std::string> names;
    for (std::size_t i = 0; i < anonymous.size(); ++i)
        names.push_back("Bone." + std::to_string(i));
    for (std::size_t i = 0; i < anonymous.size(); ++i)
        anonymous[i] = names[i].c_str();
    WriteText(dir.File("anonymous.gltf"), test::RiggedFigureGltf(anonymous));
    EXPECT_NE(ConvertFile(dir.File("anonymous.gltf")).error.find("bone names"), std::string::npos);
    WriteText(dir.File("garbage.glb"), "glTF but not really");
    EXPECT_FALSE(ConvertFile(dir.File("garbage.glb")).error.empty());

    test::ScriptedServices services;
    CKvtDoc doc(&services);
    doc.Load(test::DefaultModelPath(), test::DefaultNormalsPath());
    const CUnderlayList* before = doc.Model();
    const long vertices = doc.ModelVertexCount();
    for (const char* bad : {"anonymous.gltf", "garbage.glb", "missing.fbx"}) {
        services.messages.clear();
        EXPECT_FALSE(doc.ImportFigure(dir.File(bad)));
        ASSERT_EQ(services.messages.size(), 1u) << bad;
        EXPECT_NE(services.messages[0].find("cannot be imported"), std::string::npos) << services.messages[0];
        EXPECT_EQ(doc.Model(), before);
        EXPECT_EQ(doc.ModelVertexCount(), vertices);
        EXPECT_TRUE(doc.NormalsReady());
    }
    // A good one replaces the model, with its normals, ready to be built into a figure.
    ASSERT_TRUE(doc.ImportFigure(kSampleGlb));
    EXPECT_TRUE(doc.NormalsReady());
    EXPECT_EQ(doc.SegmentCount(), 16);
    ASSERT_FALSE(services.statusMessages.empty());
    EXPECT_NE(services.statusMessages.back().find("faces, 16 segments"), std::string::npos);
    // Built into a figure, every joint has its ring and centre, so every segment turns about it.
    doc.BuildHierarchy();
    Figure figure;
    figure.Build(doc.Tables(), 1.0f, doc.ModelCentre());
    for (const TreeNode& node : FigureTreeTable()) {
        if (node.parent < 0) continue;
        EXPECT_TRUE(figure.Pose(node.segment).m_pJointCentre.has_value()) << node.segment;
        EXPECT_FALSE(figure.Pose(node.segment).m_childRing.empty()) << node.segment;
    }
}

// A figure that faces +x in its file says so, a quarter turn from the same figure facing as it
// does in the sample: exports turn it back.
TEST(FigureImport, TheWayTheFigureFacedInItsFileIsKept) {
    std::string error;
    const auto scene = ReadFigureFile(kSampleGlb, &error);
    ASSERT_TRUE(scene) << error;
    ImportScene quarter = *scene;
    auto turn = [](Point3d& p) { p = {p.z, p.y, -p.x}; }; // +z to +x
    for (ImportBone& bone : quarter.bones)
        turn(bone.head);
    for (ImportMesh& mesh : quarter.meshes) {
        for (Point3d& p : mesh.positions)
            turn(p);
        for (Point3d& n : mesh.normals)
            turn(n);
    }
    const double straight = ConvertFigure(*scene).facingYaw, turned = ConvertFigure(quarter).facingYaw;
    EXPECT_NEAR(std::remainder(turned - straight - kPi / 2, 2 * kPi), 0.0, 0.02);
}

// A skin without inverse bind matrices means identity matrices (the import library crashed on
// one): the figure is read, whole.
TEST(FigureImport, ASkinWithoutBindMatricesUsesIdentityMatrices) {
    test::TempDir dir;
    std::string gltf = test::RiggedFigureGltf(test::kMixamoNames);
    const std::string bind = ",\"inverseBindMatrices\":4";
    ASSERT_NE(gltf.find(bind), std::string::npos);
    gltf.erase(gltf.find(bind), bind.size());
    const std::string path = dir.Write("no-bind.gltf", gltf);
    ExpectWholeFigure(ConvertFile(path), path);
}

namespace {

// The sample as read, with something added to its first mesh.
ImportScene SampleScene() {
    std::string error;
    auto scene = ReadFigureFile(kSampleGlb, &error);
    EXPECT_TRUE(scene) << error;
    return scene ? *scene : ImportScene{};
}

long TotalFaces(const ConvertedFigure& figure) {
    long n = 0;
    for (long f : figure.faces)
        n += f;
    return n;
}

} // namespace

// Welding does not depend on what else the file holds: a stray vertex 30 km away, or 80,000
// points scattered to the far ends of any coordinate, leave every face of the body in place, and
// whatever is left out is counted.
TEST(FigureImport, StrayPositionsNeitherWeldTheBodyNorSlowItDown) {
    const ImportScene sample = SampleScene();
    const ConvertedFigure plain = ConvertFigure(sample);
    ASSERT_TRUE(plain.error.empty());
    ImportScene stray = sample;
    stray.meshes[0].positions.push_back({30000, 0, 0});
    const ConvertedFigure far = ConvertFigure(stray);
    EXPECT_EQ(TotalFaces(far), TotalFaces(plain));
    EXPECT_EQ(far.leftOut.Total(), 0);
    ImportScene scattered = sample;
    ImportMesh outliers;
    outliers.names = {"head"};
    std::uint64_t seed = 88172645463325252ull;
    auto next = [&] { return seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17; };
    for (int i = 0; i < 80000; ++i) {
        const double scale = std::pow(10.0, static_cast<double>(next() % 60) - 30);
        outliers.positions.push_back({scale * static_cast<double>(next() % 1000), scale, -scale});
    }
    for (int i = 0; i + 2 < 80000; i += 3)
        outliers.triangles.push_back({i, i + 1, i + 2});
    outliers.triangles.push_back({0, 0, 1}); // two corners at one point
    scattered.meshes.push_back(outliers);
    const ConvertedFigure wide = ConvertFigure(scattered);
    ASSERT_TRUE(wide.error.empty()) << wide.error;
    EXPECT_GE(TotalFaces(wide), TotalFaces(plain));
    EXPECT_GE(wide.leftOut.folded, 1);
    EXPECT_EQ(TotalFaces(wide) + wide.leftOut.Total(),
              TotalFaces(plain) + static_cast<long>(outliers.triangles.size()));
}

// A chain of 200,000 bones without body-part names takes the segment of the named bone above it,
// in time proportional to its length.
TEST(BoneNames, ALongChainOfUnknownBonesTakesItsAncestorsSegment) {
    std::vector<ImportBone> bones{{"mixamorig:LeftHand", -1, {}}};
    for (int i = 1; i < 200000; ++i)
        bones.push_back({"link" + std::to_string(i), i - 1, {}});
    const std::vector<int> segments = BoneSegments(bones);
    EXPECT_EQ(segments.back(), 9);
    EXPECT_TRUE(std::all_of(segments.begin(), segments.end(), [](int s) { return s == 9; }));
}

// A mesh that names no body part, under a node that names none (a teapot), is no figure: the
// import is refused with the reason, instead of making a figure of one pelvis.
TEST(FigureImport, AMeshThatNamesNoBodyPartIsRefused) {
    ImportScene teapot;
    teapot.bones = {{"Scene", -1, {}}, {"Teapot", 0, {}}};
    ImportMesh mesh;
    mesh.names = {"Teapot", "Teapot", "Porcelain"};
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    mesh.triangles = {{0, 1, 2}, {0, 2, 3}, {0, 3, 1}, {1, 3, 2}};
    mesh.bone = 1;
    teapot.meshes = {mesh};
    const ConvertedFigure figure = ConvertFigure(teapot);
    EXPECT_FALSE(figure.model);
    EXPECT_NE(figure.error.find("which part of the body"), std::string::npos) << figure.error;
}
