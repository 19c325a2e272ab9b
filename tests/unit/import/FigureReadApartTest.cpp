// The figure reader in a child process: hostile files end the child, never the caller; what the
// child sends back is checked before it is believed.
#include "FigureReadApart.h"
#include "FigureFileReader.h"
#include "SceneWire.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

using namespace figurant;

namespace {

const std::string kSampleGlb = FIGURANT_TEST_MODELS "/male_base_mesh.glb";

// A glTF file whose nodes are nested `depth` deep, each the only child of the one before.
std::string DeepGltf(int depth) {
    std::string nodes;
    for (int i = 0; i < depth; ++i)
        nodes += std::string(i ? "," : "") +
                 (i + 1 < depth ? "{\"children\":[" + std::to_string(i + 1) + "]}" : "{}");
    return "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[" + nodes +
           "]}";
}

const char* const kSelfInstancingCollada = R"(<?xml version="1.0"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
  <library_nodes><node id="n1" name="n1"><instance_node url="#n1"/></node></library_nodes>
  <library_visual_scenes><visual_scene id="s"><node id="root"><instance_node url="#n1"/></node></visual_scene>
  </library_visual_scenes>
  <scene><instance_visual_scene url="#s"/></scene>
</COLLADA>
)";

// A grid of 160,000 vertices as one OBJ group: a file the reader takes a while over.
std::string LargeObj() {
    std::string obj = "g head\n";
    constexpr int kRows = 400;
    for (int i = 0; i < kRows; ++i)
        for (int j = 0; j < kRows; ++j)
            obj += "v " + std::to_string(i) + " " + std::to_string(j) + " 0\n";
    for (int i = 0; i + 1 < kRows; ++i)
        for (int j = 0; j + 1 < kRows; ++j) {
            const int a = i * kRows + j + 1;
            obj += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + kRows) +
                   "\n";
        }
    return obj;
}

} // namespace

// What the child reads is what the reader reads in the caller's process, to the bit.
TEST(FigureReadApart, GivesTheSceneTheReaderGives) {
    std::string error;
    const auto here = ReadFigureFile(kSampleGlb, &error);
    ASSERT_TRUE(here) << error;
    const auto apart = ReadFigureFileApart(kSampleGlb, &error);
    ASSERT_TRUE(apart) << error;
    EXPECT_EQ(EncodeScene(*apart), EncodeScene(*here));
}

// A reader started ahead reads what a fresh one reads, a hostile file ends it alone, and the
// reader after a used one is started anew; one let go unused leaves no process behind.
TEST(FigureReadApart, SpareReaderReadsOnceAndLeavesNothing) {
    test::TempDir dir;
    SpareFigureReader reader;
    std::string error;
    reader.Prepare();
    const auto spare = reader.Read(kSampleGlb, &error);
    ASSERT_TRUE(spare) << error;
    EXPECT_EQ(EncodeScene(*spare), EncodeScene(*ReadFigureFile(kSampleGlb, &error)));
    reader.Prepare();
    EXPECT_FALSE(reader.Read(dir.Write("self-instancing.dae", kSelfInstancingCollada), &error));
    EXPECT_FALSE(error.empty()); // a crash (under AddressSanitizer, an answer that never came)
    EXPECT_TRUE(reader.Read(kSampleGlb, &error)) << error; // no spare: a fresh reader
    {
        SpareFigureReader unused;
        unused.Prepare();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "a reader is left behind";
}

// Files that crash the library or never end: the caller gets a reason, at once or at the deadline.
TEST(FigureReadApart, HostileFilesEndTheChildNotTheCaller) {
    test::TempDir dir;
    const struct {
        const char* name;
        std::string text;
    } rows[] = {{"self-instancing.dae", kSelfInstancingCollada}, {"deep.gltf", DeepGltf(100000)}};
    for (const auto& row : rows) {
        std::string error;
        const auto scene = ReadFigureFileApart(dir.Write(row.name, row.text), &error);
        // Either a reason or a scene the conversion can refuse; the test process is still here.
        if (!scene) {
            EXPECT_FALSE(error.empty()) << row.name;
        }
    }
}

// A triangle whose three corners are in `buffer` (36 bytes of floats), named by a glTF file.
std::string TriangleGltf(const std::string& uri) {
    return R"({"asset":{"version":"2.0"},"buffers":[{"uri":")" + uri +
           R"(","byteLength":36}],"bufferViews":[{"buffer":0,"byteLength":36}],"accessors":[{"bufferView":0,
        "componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]}],"meshes":[{"primitives":
        [{"attributes":{"POSITION":0}}]}],"nodes":[{"mesh":0,"name":"head"}],"scenes":[{"nodes":[0]}],"scene":0})";
}

// Files the chosen file names are read only when they are regular files in its folder: a pipe
// nobody writes to is refused at once instead of blocking the reader, and a file outside is not read.
TEST(FigureReadApart, ReferencedFilesStayInTheFolderAndAreRegular) {
    test::TempDir dir;
    const float corners[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::string buffer(reinterpret_cast<const char*>(corners), sizeof corners);
    std::filesystem::create_directory(dir.File("model"));
    dir.Write("model/buffer.bin", buffer);
    dir.Write("outside.bin", buffer);
    std::string error;
    EXPECT_TRUE(ReadFigureFileApart(dir.Write("model/inside.gltf", TriangleGltf("buffer.bin")), &error))
        << error;
    EXPECT_FALSE(
        ReadFigureFileApart(dir.Write("model/outside.gltf", TriangleGltf("../outside.bin")), &error));
    ASSERT_EQ(::mkfifo(dir.File("model/pipe.bin").c_str(), 0600), 0);
    ReadLimits limits;
    limits.wallSeconds = 60;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(
        ReadFigureFileApart(dir.Write("model/pipe.gltf", TriangleGltf("pipe.bin")), &error, {}, limits));
    EXPECT_NE(error, "the reader stopped (took too long)");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// A picture a .gltf names by a bare file name is read from beside the .gltf, whichever folder the
// program runs in.
TEST(FigureReadApart, TexturesAreFoundBesideTheFile) {
    test::TempDir dir;
    const float corners[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    std::filesystem::create_directory(dir.File("model"));
    dir.Write("model/buffer.bin", std::string(reinterpret_cast<const char*>(corners), sizeof corners));
    dir.Write("model/skin.png", "picture bytes");
    std::string gltf = TriangleGltf("buffer.bin");
    gltf.insert(gltf.rfind('}'), R"(,"images":[{"uri":"skin.png"}],"textures":[{"source":0}],
        "materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}])");
    gltf.replace(gltf.find(R"("attributes":{"POSITION":0}})"), 28,
                 R"("attributes":{"POSITION":0},"material":0})");
    std::string error;
    const auto scene = ReadFigureFileApart(dir.Write("model/figure.gltf", gltf), &error);
    ASSERT_TRUE(scene) << error;
    ASSERT_FALSE(scene->materials.empty());
    EXPECT_EQ(scene->materials[0].textureBytes, "picture bytes");
}

// Cancel stops a long read.
TEST(FigureReadApart, CancelStopsTheReader) {
    test::TempDir dir;
    std::string error;
    EXPECT_FALSE(ReadFigureFileApart(dir.Write("large.obj", LargeObj()), &error, [] { return false; }));
    EXPECT_EQ(error, "reading was cancelled");
}

// Damaged answers are refused, whatever they claim.
TEST(SceneWire, DamagedAnswersAreRefused) {
    ImportScene scene;
    scene.bones = {{"Hips", -1, {0, 1, 0}}, {"Spine", 0, {0, 1.2, 0}}};
    ImportMesh mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.triangles = {{0, 1, 2}};
    mesh.weights.assign(3, {});
    mesh.weights[0].bone = {1, -1, -1, -1};
    scene.meshes = {mesh};
    const std::string good = EncodeScene(scene);
    std::string error;
    ASSERT_TRUE(DecodeScene(good, &error)) << error;
    EXPECT_EQ(EncodeScene(*DecodeScene(good, &error)), good);
    EXPECT_FALSE(DecodeScene(good.substr(0, good.size() - 1), &error));
    EXPECT_FALSE(DecodeScene(good + "x", &error));
    EXPECT_FALSE(DecodeScene("", &error));
    EXPECT_EQ(error, "the reader gave no answer");
    ImportScene bad = scene;
    bad.meshes[0].triangles[0][2] = 3; // past the positions
    EXPECT_FALSE(DecodeScene(EncodeScene(bad), &error));
    bad = scene;
    bad.bones[0].parent = 1; // a parent after its child
    EXPECT_FALSE(DecodeScene(EncodeScene(bad), &error));
    bad = scene;
    bad.meshes[0].weights[0].bone[0] = 2; // no such bone
    EXPECT_FALSE(DecodeScene(EncodeScene(bad), &error));
    EXPECT_FALSE(DecodeScene(EncodeReadError("no faces"), &error));
    EXPECT_EQ(error, "no faces");
}

// A file whose content is another kind than its name says is named for what it is.
TEST(FigureReadApart, MisnamedFilesAreNamedForWhatTheyAre) {
    test::TempDir dir;
    const struct {
        const char* name;
        std::string text;
        const char* says;
    } rows[] = {
        {"drawing.glb", "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n", "looks like a DXF drawing"},
        {"notes.fbx", "hello", "it is not an FBX file"},
        {"scene.obj", "glTF\x02\x00\x00\x00", "looks like a binary glTF file"}};
    for (const auto& row : rows) {
        std::string error;
        EXPECT_FALSE(ReadFigureFile(dir.Write(row.name, row.text), &error)) << row.name;
        EXPECT_NE(error.find(row.says), std::string::npos) << row.name << ": " << error;
    }
}

namespace {

// The processes whose parent is `parent`, from /proc.
std::vector<pid_t> ChildrenOf(pid_t parent) {
    std::vector<pid_t> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // pid (comm) state ppid: the name may hold spaces, so read after its closing parenthesis.
        const auto close = line.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == parent &&
            state != 'Z')
            children.push_back(std::stoi(name));
    }
    return children;
}

bool Gone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

} // namespace

// A program killed while its spare reader waits takes the reader with it, instead of leaving it
// to run out its limits.
TEST(FigureReadApart, TheReaderEndsWithItsParent) {
    if (const char* named = std::getenv("FIGURANT_READER"); named && !*named)
        GTEST_SKIP() << "a reader forked without its program reads at once: it never waits";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t program = ::fork();
    if (program == 0) {
        SpareFigureReader reader;
        reader.Prepare();
        (void)!::write(ready[1], "r", 1);
        // Gone by itself should the test fail before it kills this process.
        ::alarm(10);
        for (;;)
            ::pause();
    }
    // The stand-in program goes whatever the test finds.
    struct Kill {
        pid_t pid;
        ~Kill() {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    } const kill{program};
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    std::vector<pid_t> readers;
    for (int tries = 0; tries < 100 && readers.empty(); ++tries) {
        readers = ChildrenOf(program);
        if (readers.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(readers.size(), 1u);
    ::kill(program, SIGKILL);
    bool gone = false;
    for (int tries = 0; tries < 250 && !(gone = Gone(readers[0])); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(gone) << "the reader outlived the program that started it";
    ::close(ready[0]);
}

// A reader killed from outside (by the system or another program) is said to be so, not taken for
// one that ran out of memory.
TEST(FigureReadApart, AReaderKilledFromOutsideIsSaidToBe) {
    if (const char* named = std::getenv("FIGURANT_READER"); named && !*named)
        GTEST_SKIP() << "the reader is a forked copy of this process";
    test::TempDir dir;
    const std::string path = dir.Write("large.obj", LargeObj());
    std::string error;
    bool killed = false;
    const auto scene = ReadFigureFileApart(path, &error, [&] {
        for (const pid_t reader : ChildrenOf(::getpid()))
            killed = ::kill(reader, SIGKILL) == 0 || killed;
        return true;
    });
    if (!killed) GTEST_SKIP() << "the read ended before the reader could be killed";
    EXPECT_FALSE(scene);
    EXPECT_EQ(error, "the reader was stopped from outside (killed)");
}
