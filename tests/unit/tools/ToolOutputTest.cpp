// figurant-inspect as users run it: the JSON it prints and its exit status.
#include "DefaultModel.h"
#include "DxfText.h"
#include "RiggedFigureFile.h"
#include "TempDir.h"

#include <array>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <sys/wait.h>
#include <tuple>

using namespace figurant::test;

namespace {

struct ToolRun {
    std::string out;
    int status;
};

ToolRun RunTool(const std::string& tool, const std::string& arguments,
                const std::string& errors = "/dev/null") {
    const std::string command = tool + " " + arguments + " 2>" + errors;
    std::FILE* pipe = popen(command.c_str(), "r");
    ToolRun run{"", -1};
    std::array<char, 4096> buf{};
    for (std::size_t n; (n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0;)
        run.out.append(buf.data(), n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

ToolRun Inspect(const std::string& arguments) {
    return RunTool(FIGURANT_INSPECT, arguments);
}

// A maximum only moves for a strictly larger value, so +0 after -0 leaves it at -0.
TEST(Inspect, DxfPrintsExactNumbers) {
    TempDir dir;
    const Groups line{{"0", "LINE"}, {"10", "1e38"}, {"20", "-0"}, {"30", "-0"},
                      {"11", "0.1"}, {"21", "0"},    {"31", "0"}};
    const std::string path = dir.Write("a.dxf", Dxf(line + Groups{{"0", "EOF"}}));
    const ToolRun run = Inspect("dxf " + path);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "{\"units\": 5, \"bounds_empty\": 0, \"bounds\": [0.100000001, 9.99999968e+37, 0, 0, -0, -0], "
              "\"polylines\": [{\"face\": 0, \"segment\": 0, \"points\": [[9.99999968e+37, 0, -0], "
              "[0.100000001, 0, 0]]}]}\n");
    EXPECT_EQ(Inspect("dxf " + path + " --summary").out,
              "{\"units\": 5, \"bounds_empty\": 0, \"bounds\": [0.100000001, 9.99999968e+37, 0, 0, -0, -0], "
              "\"polylines\": 1, "
              "\"points\": 2}\n");
}

TEST(Inspect, MissingFilesAndBadCommands) {
    const ToolRun missing = Inspect("dxf /nonexistent/a.dxf");
    EXPECT_EQ(missing.out, "null\n");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(Inspect("nonsense x").status, 2);
    EXPECT_EQ(Inspect("dxf a b c").status, 2);
    EXPECT_EQ(Inspect("anim x --segments -3").status, 2);
    const ToolRun model = Inspect("model /nonexistent/a.dxf /nonexistent/a.normal");
    EXPECT_EQ(model.out, "{\"segments\": 0, \"normals_ready\": false, \"normals\": null, \"bounds\": null, "
                         "\"polylines\": null}\n");
}

TEST(Inspect, FigureOfTheDefaultModel) {
    const ToolRun run = Inspect("figure " + DefaultModelPath() + " " + DefaultNormalsPath());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("{\"segments\": 16, \"model_centre\": [", 0), 0u);
    EXPECT_NE(
        run.out.find(
            "{\"segment\": 2, \"parent\": null, \"children\": [], \"vertices\": 0, \"joint_centre\": null"),
        std::string::npos);
    EXPECT_NE(run.out.find("{\"segment\": 6, \"parent\": 4, \"children\": [8]"), std::string::npos);
}

} // namespace

namespace {

// The tool reads an animation as playback does: values a cut-short key frame does not hold are
// the ones before (they once showed as 0).
TEST(Inspect, AnimShowsACutShortKeyFrameAsPlaybackDoes) {
    TempDir dir;
    const std::string frame = "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \n";
    const std::string path = dir.Write("cut.amt", "\n3 4\n" + frame + "1 0 0 0 0 1 0 0 0 0 1 0 0.5 0 0 1 \n" +
                                                      "2 0 0 \n0 0 0 \n\n3 5\n1 0 0 0");
    const ToolRun run = Inspect("anim " + path + " --segments 1");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(
        run.out.find("{\"scene_rot\": [3, 5], \"scene_matrix\": [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, "
                     "0, 1], \"matrices\": [[1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.5, 0, 0, 1]]}"),
        std::string::npos)
        << run.out;
}

} // namespace

// A converted figure opens through the classic path: the drawing and its normals read back by the
// program's own readers build a figure with every joint.
TEST(Convert, WritesADrawingAndNormalsThatBuildTheWholeFigure) {
    TempDir dir;
    const std::string out = dir.File("male.dxf");
    const ToolRun run = RunTool(FIGURANT_CONVERT, std::string(FIGURANT_TEST_MODELS) + "/male_base_mesh.glb " +
                                                      out + " --report");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\"name\": \"forearm.L\", \"segment\": 7"), std::string::npos) << run.out;
    const ToolRun figure = Inspect("figure " + out + " " + dir.File("male.normal"));
    ASSERT_EQ(figure.status, 0);
    std::size_t centres = 0;
    for (std::size_t at = 0; (at = figure.out.find("\"joint_centre\": [", at)) != std::string::npos; ++at)
        ++centres;
    EXPECT_EQ(centres, 14u); // every segment but the chest, the root, has a joint
    // A file that is no figure: exit status 1 and a message naming the file.
    const std::string bad = dir.Write("bad.glb", "not a figure");
    const ToolRun failed = RunTool(FIGURANT_CONVERT, bad + " " + dir.File("bad.dxf"), dir.File("errors.txt"));
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(RunTool("cat", dir.File("errors.txt")).out.find(bad), std::string::npos);
}

TEST(Export, WritesBvhAndGlbAndRefusesWhatItCannotRead) {
    TempDir dir;
    const std::string model = "--dxf " + DefaultModelPath() + " --normals " + DefaultNormalsPath();
    ASSERT_EQ(RunTool(FIGURANT_EXPORT, model + " --bvh " + dir.File("a.bvh") + " --units cm --fps 24").status,
              0);
    const std::string bvh = RunTool("cat", dir.File("a.bvh")).out;
    EXPECT_EQ(bvh.rfind("HIERARCHY\nROOT Hips\n", 0), 0u);
    EXPECT_NE(bvh.find("Frames: 1\nFrame Time: 0.0416666667\n"), std::string::npos);
    ASSERT_EQ(RunTool(FIGURANT_EXPORT, model + " --glb " + dir.File("a.glb")).status, 0);
    EXPECT_EQ(RunTool("head -c 4", dir.File("a.glb")).out, "glTF");
    // Inputs that cannot be read: status 1 and a message naming them.
    const ToolRun missing =
        RunTool(FIGURANT_EXPORT, model + " --anim " + dir.File("none.amt") + " --bvh " + dir.File("b.bvh"),
                dir.File("errors.txt"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(RunTool("cat", dir.File("errors.txt")).out.find("none.amt"), std::string::npos);
    EXPECT_EQ(RunTool(FIGURANT_EXPORT, "--dxf " + dir.File("none.dxf") + " --normals x --glb y").status, 1);
    EXPECT_EQ(RunTool(FIGURANT_EXPORT, model + " --bvh a --glb b").status, 2);
}

// The root is Hips in every naming; the others follow the naming asked for.
TEST(Export, NamesJointsAsRetargetingToolsKnowThem) {
    TempDir dir;
    const std::string model = "--dxf " + DefaultModelPath() + " --normals " + DefaultNormalsPath();
    const struct {
        std::string naming;
        std::vector<std::string> names;
    } rows[] = {
        {"program", {"ROOT Hips", "JOINT Chest", "JOINT LeftForearm", "JOINT RightShank"}},
        {"humanoid", {"ROOT hips", "JOINT spine", "JOINT leftLowerArm", "JOINT rightLowerLeg"}},
        {"mocap", {"ROOT Hips", "JOINT Spine", "JOINT LeftForeArm", "JOINT RightLeg", "JOINT LeftUpLeg"}}};
    for (const auto& row : rows) {
        const std::string path = dir.File(row.naming + ".bvh");
        ASSERT_EQ(RunTool(FIGURANT_EXPORT, model + " --bvh " + path + " --names " + row.naming).status, 0);
        const std::string bvh = ReadAll(path);
        for (const std::string& name : row.names)
            EXPECT_NE(bvh.find(name + "\n"), std::string::npos) << row.naming << ": " << name;
    }
    EXPECT_EQ(RunTool(FIGURANT_EXPORT, model + " --bvh " + dir.File("x.bvh") + " --names vrm").status, 2);
}

// What an export cannot carry is refused with a message, not written: centimetres in glTF, whose
// unit is the metre, and the motion of a figure without joints (two pieces that share no ring).
TEST(Export, RefusesUnitsInGltfAndAFigureWithoutJoints) {
    TempDir dir;
    const std::string model = "--dxf " + DefaultModelPath() + " --normals " + DefaultNormalsPath();
    const ToolRun units = RunTool(FIGURANT_EXPORT, model + " --glb " + dir.File("a.glb") + " --units cm",
                                  dir.File("units.txt"));
    EXPECT_EQ(units.status, 1);
    EXPECT_NE(RunTool("cat", dir.File("units.txt")).out.find("metres"), std::string::npos);
    EXPECT_FALSE(std::ifstream(dir.File("a.glb")).good());
    // Colour 2 is the chest, colour 1 the pelvis: a square each, a metre apart.
    const std::string pieces = Dxf(Face(2, {"0", "0", "1", "1", "0", "1", "1", "1", "1", "0", "1", "1"}) +
                                   Face(1, {"0", "0", "0", "1", "0", "0", "1", "1", "0", "0", "1", "0"})) +
                               "0\nEOF\n";
    const std::string jointless =
        "--dxf " + dir.Write("pieces.dxf", pieces) + " --normals " +
        dir.Write("pieces.normal", "8\n0 0 1\n0 0 1\n0 0 1\n0 0 1\n0 0 1\n0 0 1\n0 0 1\n0 0 1\n");
    const ToolRun refused =
        RunTool(FIGURANT_EXPORT, jointless + " --bvh " + dir.File("p.bvh"), dir.File("joints.txt"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(RunTool("cat", dir.File("joints.txt")).out.find("no joints"), std::string::npos);
    EXPECT_FALSE(std::ifstream(dir.File("p.bvh")).good());
    EXPECT_EQ(RunTool(FIGURANT_EXPORT, jointless + " --bvh " + dir.File("p.bvh") + " --rigid").status, 0);
}

// Outputs that cannot take the file: a pipe and a folder are refused at once, a full disk and a
// file-size limit are reported; each time the status is 1, no partial file is left and the old
// file keeps its bytes.
TEST(Outputs, WhatCannotBeWrittenIsReportedAndLeavesTheOldFile) {
    TempDir dir;
    const std::string model = "--dxf " + DefaultModelPath() + " --normals " + DefaultNormalsPath();
    const std::string figure = std::string(FIGURANT_TEST_MODELS) + "/male_base_mesh.glb";
    ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.File("folder"));
    const std::string old = dir.Write("old.bvh", "old bytes");
    const std::string limited = "sh -c 'ulimit -f 1; exec \"$0\" \"$@\"' ";
    const struct {
        std::string command;
    } rows[] = {{std::string(FIGURANT_EXPORT) + " " + model + " --bvh " + dir.File("pipe")},
                {std::string(FIGURANT_EXPORT) + " " + model + " --glb " + dir.File("folder")},
                {std::string(FIGURANT_EXPORT) + " " + model + " --glb /dev/full"},
                {limited + FIGURANT_EXPORT + " " + model + " --bvh " + old},
                {std::string(FIGURANT_CONVERT) + " " + figure + " " + dir.File("pipe")},
                {limited + FIGURANT_CONVERT + " " + figure + " " + dir.File("big.dxf")}};
    for (const auto& row : rows) {
        const ToolRun run = RunTool("timeout 60", row.command, dir.File("errors.txt"));
        EXPECT_EQ(run.status, 1) << row.command;
        EXPECT_FALSE(ReadAll(dir.File("errors.txt")).empty()) << row.command;
    }
    EXPECT_EQ(ReadAll(old), "old bytes");
    EXPECT_FALSE(std::filesystem::exists(dir.File("big.dxf")));
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().find(".saving-"), std::string::npos) << entry.path();
}

// The converter writes the drawing and its normals both or neither, never over its input; the
// exporter refuses a drawing without faces.
TEST(Outputs, TheConverterKeepsItsPairWholeAndItsInput) {
    TempDir dir;
    const std::string figure =
        dir.Write("figure.glb", ReadAll(std::string(FIGURANT_TEST_MODELS) + "/male_base_mesh.glb"));
    EXPECT_EQ(RunTool(FIGURANT_CONVERT, figure + " " + figure).status, 1);
    EXPECT_EQ(ReadAll(figure), ReadAll(std::string(FIGURANT_TEST_MODELS) + "/male_base_mesh.glb"));
    const std::string out = dir.Write("pair.dxf", "old drawing");
    std::filesystem::create_directory(dir.File("pair.normal")); // the normals cannot be written
    EXPECT_EQ(RunTool(FIGURANT_CONVERT, figure + " " + out, dir.File("errors.txt")).status, 1);
    EXPECT_EQ(ReadAll(out), "old drawing");
    EXPECT_NE(ReadAll(dir.File("errors.txt")).find("pair.normal"), std::string::npos);
    const std::string empty = dir.Write("empty.dxf", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
    EXPECT_EQ(RunTool(FIGURANT_EXPORT,
                      "--dxf " + empty + " --normals " + dir.Write("empty.normal", "0\n") + " --bvh " +
                          dir.File("empty.bvh"),
                      dir.File("errors.txt"))
                  .status,
              1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("empty.bvh")));
}

// A character's joints by the file's names, and its vertices posed as the file's skin defines:
// each turn inside its joint's rest rotation, checked against the generator's own skinning.
TEST(Inspect, CharacterJointsAndPosedVertices) {
    TempDir dir;
    const std::string arm = dir.Write("arm.gltf", ArmCharacterGltf());
    const std::string pose = dir.Write(
        "pose.json",
        R"({"rotations": {"ForeArm": [0, 0, 0.70710678, 0.70710678], "UpperArm": [0, 0.5, 0, 0.8660254]}})");
    const ToolRun run = Inspect("figure " + arm + " --pose " + pose);
    ASSERT_EQ(run.status, 0);
    const auto out = nlohmann::json::parse(run.out);
    const std::vector<Mat4> rest = ArmWorlds();
    for (std::size_t i = 0; i < kArmNodes.size(); ++i) {
        const auto& joint = out["joints"][i];
        EXPECT_EQ(joint["name"], kArmNodes[i].name);
        EXPECT_EQ(joint["parent"], i ? nlohmann::json(kArmNodes[i - 1].name) : nlohmann::json());
        for (std::size_t a = 0; a < 3; ++a)
            EXPECT_NEAR(joint["position"][a].get<double>(), rest[i][12 + a], 1e-6);
    }
    const auto expected =
        ArmLinearBlend({}, {{0, 0, 0, 1}, {0, 0.5, 0, 0.8660254}, {0, 0, 0.70710678, 0.70710678}});
    ASSERT_EQ(out["vertices"].size(), expected.size());
    for (std::size_t v = 0; v < expected.size(); ++v)
        for (std::size_t a = 0; a < 3; ++a)
            ASSERT_NEAR(out["vertices"][v]["posed"][a].get<double>(), expected[v][a], 1e-5) << v;
    EXPECT_EQ(Inspect("figure " + arm + " --pose " +
                      dir.Write("bad.json", R"({"rotations": {"Elbow": [0, 0, 0, 1]}})"))
                  .status,
              1);
}

// An imported character exported as glTF comes back as it came in: a valid file with every bone
// under its name, its materials, and the same skinning under the same pose.
TEST(Export, ACharacterKeepsItsSkeletonSkinAndLooks) {
    TempDir dir;
    const std::pair<std::string, std::string> cases[] = {
        {FIGURANT_TEST_MODELS "/male_base_mesh.glb",
         R"({"rotations": {"forearm.L": [0.3, 0, 0, 0.9539392], "thigh.R": [0, 0, 0.5, 0.8660254]}})"},
        {dir.Write("pieces.gltf", RiggedFigureGltf(kMixamoNames, 8, 3, true)),
         R"({"rotations": {"mixamorig:LeftForeArm": [0, 0, 0.70710678, 0.70710678], "mixamorig:Spine1": [0, 0.5, 0, 0.8660254]}})"}};
    for (const auto& [source, rotations] : cases) {
        const std::string pose = dir.Write("pose.json", rotations);
        const std::string out = dir.File("out.glb");
        ASSERT_EQ(RunTool(FIGURANT_EXPORT, "--figure " + source + " --glb " + out).status, 0) << source;
        const ToolRun validated = RunTool("node", FIGURANT_VALIDATOR " " + out);
        EXPECT_NE(validated.out.find("\"errors\":0,"), std::string::npos) << validated.out;
        Assimp::Importer before, after;
        const aiScene* a = before.ReadFile(source, 0);
        const aiScene* b = after.ReadFile(out, 0);
        ASSERT_TRUE(a && b) << source;
        std::set<std::string> bonesA, bonesB, materialsA, materialsB;
        for (const auto& [scene, bones, materials] :
             {std::tie(a, bonesA, materialsA), std::tie(b, bonesB, materialsB)}) {
            for (unsigned m = 0; m < scene->mNumMeshes; ++m)
                for (unsigned k = 0; k < scene->mMeshes[m]->mNumBones; ++k)
                    bones.insert(scene->mMeshes[m]->mBones[k]->mName.C_Str());
            for (unsigned m = 0; m < scene->mNumMaterials; ++m)
                materials.insert(scene->mMaterials[m]->GetName().C_Str());
        }
        for (const std::string& bone : bonesA)
            EXPECT_TRUE(bonesB.count(bone)) << bone;
        EXPECT_EQ(materialsA, materialsB);
        // Every material written is worn by some part.
        const std::string glb = ReadAll(out);
        std::uint32_t jsonLength = 0;
        std::memcpy(&jsonLength, glb.data() + 12, sizeof jsonLength);
        const auto json = nlohmann::json::parse(glb.substr(20, jsonLength));
        std::set<int> worn;
        for (const auto& mesh : json["meshes"])
            for (const auto& primitive : mesh["primitives"])
                if (primitive.contains("material")) worn.insert(primitive["material"].get<int>());
        EXPECT_EQ(worn.size(), json.value("materials", nlohmann::json::array()).size()) << source;
        // The same pose skins both files alike.
        const auto skinA = nlohmann::json::parse(Inspect("figure " + source + " --pose " + pose).out);
        const auto skinB = nlohmann::json::parse(Inspect("figure " + out + " --pose " + pose).out);
        ASSERT_EQ(skinA["joints"].size(), skinB["joints"].size());
        for (std::size_t j = 0; j < skinA["joints"].size(); ++j)
            EXPECT_EQ(skinA["joints"][j]["name"], skinB["joints"][j]["name"]);
        ASSERT_EQ(skinA["vertices"].size(), skinB["vertices"].size());
        for (std::size_t v = 0; v < skinA["vertices"].size(); ++v)
            for (std::size_t c = 0; c < 3; ++c)
                ASSERT_NEAR(skinA["vertices"][v]["posed"][c].get<double>(),
                            skinB["vertices"][v]["posed"][c].get<double>(), 1e-5)
                    << source << " " << v;
    }
}

// A copy of a tool away from its figure reader says the reader is missing, or cannot be run,
// instead of running another build's.
TEST(Outputs, AToolWithoutItsReaderSaysSo) {
    TempDir dir;
    const std::string tool = dir.File("figurant-convert");
    std::filesystem::copy_file(FIGURANT_CONVERT, tool);
    const std::string run = "env -u FIGURANT_READER " + tool + " " + FIGURANT_TEST_MODELS +
                            "/male_base_mesh.glb " + dir.File("out.dxf");
    EXPECT_EQ(RunTool(run, "", dir.File("missing.txt")).status, 1);
    EXPECT_NE(RunTool("cat", dir.File("missing.txt")).out.find("figurant-read\" is missing"),
              std::string::npos);
    dir.Write("figurant-read", "#!/bin/sh\n");
    EXPECT_EQ(RunTool(run, "", dir.File("stuck.txt")).status, 1);
    EXPECT_NE(RunTool("cat", dir.File("stuck.txt")).out.find("not executable"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.dxf")));
}
