#include "AnimationFormat.h"
#include "AnimationPlayer.h"
#include "AnimationWriter.h"
#include "DurableFile.h"
#include "FpTraps.h"
#include "TempDir.h"

#include <clocale>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <sys/stat.h>

using namespace figurant;
using namespace figurant::test;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class SceneTest : public testing::Test {
  protected:
    AnimationScene Scene(int n = 16) { return {rotX, rotZ, sceneMatrix, *pose, n}; }
    int rotX = 0, rotZ = 0;
    Matrix4 sceneMatrix;
    std::unique_ptr<PoseArray> pose = std::make_unique<PoseArray>();
    TempDir dir;
    int frames = 0;
    PlaybackHooks Hooks() {
        return {[this] { ++frames; }, [] { return true; }};
    }
};

TEST_F(SceneTest, FirstSaveLayout) {
    rotX = -15;
    rotZ = 30;
    sceneMatrix[12] = 0.5f;
    const std::string path = dir.File("a.amt");
    auto scene = Scene();
    ASSERT_EQ(WriteKeyFrame(path, true, scene), "");
    const auto lines = Lines(ReadAll(path));
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "-15 30");
    EXPECT_EQ(lines[2], "1 0 0 0 0 1 0 0 0 0 1 0 0.5 0 0 1 ");
    for (std::size_t i = 2; i < 19; ++i)
        EXPECT_EQ(lines[i].back(), ' ');
}

// Every save, the first included, leaves the increments at zero: the next block holds only what
// changed since the key frame just written.
TEST_F(SceneTest, EverySaveClearsTheIncrementsAnAppendWritesThem) {
    const std::string path = dir.File("a.amt");
    auto scene = Scene();
    (*pose)[3].m_rotInc = {0, 30, 0};
    ASSERT_EQ(WriteKeyFrame(path, true, scene), "");
    EXPECT_EQ((*pose)[3].m_rotInc[1], 0.0f);
    (*pose)[3].m_rotInc = {0, 15, 0};
    (*pose)[4].m_transInc = {0.1f, 0, 1e7f};
    ASSERT_EQ(WriteKeyFrame(path, false, scene), "");
    const auto lines = Lines(ReadAll(path));
    ASSERT_EQ(lines.size(), 19u + 32u + 19u);
    EXPECT_EQ(lines[19 + 6], "0 15 0 ");
    EXPECT_EQ(lines[19 + 9], "0.1 0 1e+07 ");
    EXPECT_EQ(lines[19 + 32], "");
    for (int i = 0; i < 16; ++i)
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ((*pose)[static_cast<std::size_t>(i)].m_rotInc[static_cast<std::size_t>(k)], 0.0f);
            EXPECT_EQ((*pose)[static_cast<std::size_t>(i)].m_transInc[static_cast<std::size_t>(k)], 0.0f);
        }
}

TEST_F(SceneTest, NumbersIgnoreTheProcessLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
    sceneMatrix[12] = 0.25f;
    const std::string path = dir.File("a.amt");
    auto scene = Scene(2);
    const std::string error = WriteKeyFrame(path, true, scene);
    sceneMatrix[12] = 0;
    PlayAnimation(path, scene, Hooks());
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(error, "");
    EXPECT_NE(ReadAll(path).find("0.25"), std::string::npos);
    EXPECT_EQ(sceneMatrix[12], 0.25f);
}

TEST_F(SceneTest, PlaybackShowsEveryKeyFrameAndTenStepsBetween) {
    auto scene = Scene(2);
    (*pose)[1].m_pJointCentre = Point3d{1, 2, 3};
    (*pose)[0].m_transInc = {1, 0, 0};
    (*pose)[1].m_rotInc = {0, 90, 0};
    std::string text = FormatKeyFrame(scene);
    for (int k = 1; k < 3; ++k)
        text += FormatIncrementBlock(scene) + FormatKeyFrame(scene);
    const std::string path = dir.Write("k.amt", text);
    std::vector<Matrix4> seg0, seg1;
    PlaybackHooks hooks{[&] {
                            ++frames;
                            seg0.push_back((*pose)[0].m_matrix);
                            seg1.push_back((*pose)[1].m_matrix);
                        },
                        [] { return true; }};
    EXPECT_EQ(PlayAnimation(path, scene, hooks), PlaybackEnd::Finished);
    EXPECT_EQ(frames, 3 + 10 * 2);
    // No joint centre: 0.1 along its own x per step.
    EXPECT_NEAR(seg0[1][12], 0.1f, 1e-6);
    EXPECT_NEAR(seg0[10][12], 1.0f, 1e-5);
    // 9 degrees about y through the joint centre per step; the centre stays where it is.
    Matrix4 step;
    MakeRotation(9, 0, 1, 0, step);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(
            seg1[1][i],
            [&] {
                Matrix4 expected = Matrix4::Translation(1, 2, 3);
                MultMatrix(expected, step);
                MultMatrix(expected, Matrix4::Translation(-1, -2, -3));
                return expected[i];
            }(),
            1e-6);
    const Point3d centre = TransformPoint3(seg1[5], {1, 2, 3});
    EXPECT_NEAR(centre.x, 1, 1e-5);
    EXPECT_NEAR(centre.z, 3, 1e-5);
    // The next key frame replaces the interpolated pose.
    EXPECT_EQ(seg1[11], Matrix4::Identity());
}

TEST_F(SceneTest, EmptyCutShortAndUnopenableFiles) {
    auto scene = Scene(2);
    rotX = 7;
    EXPECT_EQ(PlayAnimation(dir.File("missing.amt"), scene, Hooks()), PlaybackEnd::NotOpened);
    EXPECT_EQ(frames, 0);
    EXPECT_EQ(PlayAnimation(dir.Write("empty.amt", ""), scene, Hooks()), PlaybackEnd::Finished);
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(rotX, 7);
    // Cut inside a key frame: values up to the cut are taken, the frame is shown, playback ends.
    frames = 0;
    EXPECT_EQ(PlayAnimation(dir.Write("cut.amt", "\n3 4\n1 0 0"), scene, Hooks()), PlaybackEnd::Finished);
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(rotZ, 4);
    // Cut inside an increment block: the increments read so far are stored, no steps shown.
    frames = 0;
    std::string text = FormatKeyFrame(scene) + "1 2 3 4 5";
    EXPECT_EQ(PlayAnimation(dir.Write("inc.amt", text), scene, Hooks()), PlaybackEnd::Finished);
    EXPECT_EQ(frames, 1);
    EXPECT_EQ((*pose)[0].m_transInc[1], 5.0f);
}

// Playback tells what was wrong with a file, with the line, after playing what it could; a path
// that is no regular file (a directory, a FIFO, /dev/zero) is refused at once.
TEST_F(SceneTest, PlaybackReportsCutShortAndMisalignedFiles) {
    auto scene = Scene(2);
    PlaybackReport report;
    auto play = [&](const std::string& path) {
        report = {};
        return PlayAnimation(path, scene, Hooks(), &report);
    };
    const std::string frame = FormatKeyFrame(scene), block = FormatIncrementBlock(scene);
    EXPECT_EQ(play(dir.Write("good.amt", frame + block + frame)), PlaybackEnd::Finished);
    EXPECT_EQ(report.problem, "");
    play(dir.Write("cut.amt", frame + block + frame.substr(0, frame.size() / 2)));
    EXPECT_EQ(report.problem.find("the file ends inside a key frame at line "), 0u) << report.problem;
    play(dir.Write("bad.amt", frame + "0 0 0\n0 x 0\n"));
    EXPECT_EQ(report.problem, "a number cannot be read at line 7");
    play(dir.Write("empty.amt", "\n"));
    EXPECT_EQ(report.problem, "the file holds no key frame");
    const std::string fifo = dir.File("pipe.amt");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {dir.Path().string(), fifo, std::string("/dev/zero")}) {
        EXPECT_EQ(play(path), PlaybackEnd::NotOpened) << path;
        EXPECT_EQ(report.problem, "not a regular file") << path;
    }
}

// A save killed half-way leaves a torn key frame: the next save refuses to append behind it.
TEST_F(SceneTest, AppendAfterATornKeyFrameIsRefused) {
    auto scene = Scene(2);
    const std::string path = dir.File("torn.amt");
    ASSERT_EQ(WriteKeyFrame(path, true, scene), "");
    ASSERT_EQ(WriteKeyFrame(path, false, scene), "");
    const std::string whole = ReadAll(path);
    EXPECT_FALSE(TornLine(whole, 2));
    for (std::size_t cut : {whole.size() - 1, whole.size() - 5, whole.size() / 2 + 3}) {
        dir.Write("torn.amt", whole.substr(0, cut));
        bool torn = false;
        const std::string error = WriteKeyFrame(path, false, scene, &torn);
        EXPECT_TRUE(torn) << cut;
        EXPECT_EQ(error.find("it does not end with a whole key frame (line "), 0u) << error;
        EXPECT_EQ(ReadAll(path), whole.substr(0, cut));
    }
}

TEST_F(SceneTest, ReadersTakeCrLfAndThreeDigitExponentsAndStopOnHostileNumbers) {
    NoFpTraps traps;
    NumberReader in("\r\n 1e+007\r\n-2.5E-003 +4 x");
    float a = 0, b = 0, c = 0, d = 9;
    EXPECT_TRUE(in.Read(a));
    EXPECT_TRUE(in.Read(b));
    EXPECT_TRUE(in.Read(c));
    EXPECT_FALSE(in.Read(d));
    EXPECT_EQ(a, 1e7f);
    EXPECT_FLOAT_EQ(b, -0.0025f);
    EXPECT_EQ(c, 4.0f);
    EXPECT_EQ(d, 9.0f);
    for (const std::string& bad :
         {std::string("nan"), std::string("1e39"), std::string("inf"), std::string(1, '\0')}) {
        NumberReader r(bad);
        float v = 1;
        EXPECT_FALSE(r.Read(v)) << bad;
        EXPECT_EQ(v, 1.0f);
    }
    int i = 0;
    NumberReader big("99999999999");
    EXPECT_FALSE(big.Read(i));
}

TEST_F(SceneTest, StopRequestEndsAtTheNextKeyFrame) {
    auto scene = Scene(1);
    std::string text = FormatKeyFrame(scene) + FormatIncrementBlock(scene) + FormatKeyFrame(scene);
    int asked = 0;
    PlaybackHooks hooks{[this] { ++frames; }, [&] { return ++asked < 2; }};
    EXPECT_EQ(PlayAnimation(dir.Write("s.amt", text), scene, hooks), PlaybackEnd::Stopped);
    EXPECT_EQ(frames, 11);
}

// A failing append leaves the file exactly as it was and keeps the increments.
TEST_F(SceneTest, FailedSavesLeaveFilesAndIncrementsAlone) {
    auto scene = Scene(1);
    (*pose)[0].m_rotInc = {5, 0, 0};
    EXPECT_NE(WriteKeyFrame("/dev/full", false, scene), "");
    EXPECT_EQ((*pose)[0].m_rotInc[0], 5.0f);
    EXPECT_NE(WriteKeyFrame("/dev/full", true, scene), "");
    EXPECT_NE(WriteKeyFrame(dir.File("no/such/dir/a.amt"), true, scene), "");
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

} // namespace

namespace {

// A real is rounded once, straight to a float: through a double first, a decimal just above the
// midpoint of two floats lands on the midpoint and then rounds to the even neighbour below.
TEST(NumberReaderRounding, RealsRoundOnceToFloat) {
    figurant::NumberReader in("1.0000000596046447753906250001 1e-42 3.5e38");
    float v = 0;
    ASSERT_TRUE(in.Read(v));
    EXPECT_EQ(v, 1.00000011920928955078125f);
    ASSERT_TRUE(in.Read(v)); // below the normal range: the nearest float
    EXPECT_EQ(v, static_cast<float>(1e-42));
    EXPECT_FALSE(in.Read(v)); // beyond the float range
}

} // namespace

namespace {

// A recording of a figure of 12 segments played on one of 16 is named for what it is, not as a
// file cut short; a file cut short still says where.
TEST_F(SceneTest, AFileOfAnotherFigureIsNamedAsSuch) {
    auto twelve = Scene(12);
    const std::string text = FormatKeyFrame(twelve) + FormatIncrementBlock(twelve) + FormatKeyFrame(twelve);
    auto sixteen = Scene(16);
    PlaybackReport report;
    PlayAnimation(dir.Write("twelve.amt", text), sixteen, Hooks(), &report);
    EXPECT_EQ(report.problem, "it was recorded on a figure of 12 segments, and this figure has 16");
    const std::string whole =
        FormatKeyFrame(sixteen) + FormatIncrementBlock(sixteen) + FormatKeyFrame(sixteen);
    PlaybackReport cut;
    PlayAnimation(dir.Write("cut.amt", whole.substr(0, whole.size() - 40)), sixteen, Hooks(), &cut);
    EXPECT_NE(cut.problem.find("the file ends inside"), std::string::npos) << cut.problem;
}

} // namespace
