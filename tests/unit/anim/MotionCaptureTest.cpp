// Motion capture carried onto the built-in figure: clips written here in two namings and two rest
// poses (T and A), in centimetres and in metres, played on the figure; each limb points where the
// clip's does (worked out here by the clip's own forward kinematics) within a degree. Extra and
// missing bones; the BVH the program exports of the result reads back as the same motion.
#include "MotionCapture.h"
#include "BvhWriter.h"
#include "DefaultModel.h"
#include "FigureTree.h"
#include "KvtDoc.h"
#include "LimbSolver.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

using namespace figurant;

namespace {

struct ClipBone {
    std::string name;
    int parent;
    Point3d offset; // metres, y up, the clip facing +z, its left +x
};

// A humanoid skeleton; `a` lowers the arms by 45 degrees at rest. The capture-library naming has
// its hips level with the root, as that library's files have them (the pelvis has no length).
// The rest quirks of the conventions' files.
struct Quirks {
    bool rootBelowHips = false; // the thighs hang from joints above the root
    std::string hipHelper;      // a joint between the root and each thigh ("lhipjoint", "rButtock")
    bool leaningSpine = false;  // the spine leans forward at rest
};

std::vector<ClipBone> Skeleton(const std::map<std::string, std::string>& naming, bool aPose,
                               const Quirks& quirks = {}) {
    const double c = aPose ? std::sqrt(0.5) : 1.0, d = aPose ? -std::sqrt(0.5) : 0.0;
    auto n = [&](const std::string& generic) {
        const auto it = naming.find(generic);
        return it == naming.end() ? generic : it->second;
    };
    std::vector<ClipBone> bones{{n("Hips"), -1, {0, 1.0, 0}},  {n("Spine"), 0, {0, 0.1, 0}},
                                {n("Spine1"), 1, {0, 0.1, 0}}, {n("Spine2"), 2, {0, 0.12, 0}},
                                {n("Neck"), 3, {0, 0.15, 0}},  {n("Head"), 4, {0, 0.1, 0}}};
    for (const double side : {1.0, -1.0}) {
        const std::string s = side > 0 ? "Left" : "Right";
        const int shoulder = static_cast<int>(bones.size());
        bones.push_back({n(s + "Shoulder"), 3, {side * 0.05, 0.1, 0}});
        bones.push_back({n(s + "Arm"), shoulder, {side * 0.12, 0, 0}});
        bones.push_back({n(s + "ForeArm"), shoulder + 1, {side * 0.28 * c, 0.28 * d, 0}});
        bones.push_back({n(s + "Hand"), shoulder + 2, {side * 0.25 * c, 0.25 * d, 0}});
        const int hip = static_cast<int>(bones.size());
        bones.push_back({n(s + "UpLeg"), 0, {side * 0.1, naming.empty() ? -0.05 : 0.0, 0}});
        bones.push_back({n(s + "Leg"), hip, {0, -0.45, 0}});
        bones.push_back({n(s + "Foot"), hip + 1, {0, -0.42, 0}});
        bones.push_back({n(s + "ToeBase"), hip + 2, {0, -0.05, 0.12}});
    }
    if (quirks.leaningSpine)
        for (std::size_t b = 1; b <= 5; ++b)
            bones[b].offset.z = 0.2 * bones[b].offset.y;           // about 11 degrees forward
    for (std::size_t thigh : {std::size_t{10}, std::size_t{18}}) { // the left and right thighs
        if (quirks.rootBelowHips) bones[thigh].offset.y = 0.08;
        if (quirks.hipHelper.empty()) continue;
        // The helper joint takes half the way to the thigh's joint, appended after the others.
        const Point3d half = 0.5 * bones[thigh].offset;
        const std::string side = bones[thigh].offset.x > 0 ? "l" : "r";
        bones.push_back(
            {quirks.hipHelper == "Buttock" ? side + "Buttock" : side + quirks.hipHelper, 0, half});
        bones[thigh].parent = static_cast<int>(bones.size()) - 1;
        bones[thigh].offset = half;
    }
    return bones;
}

// A convention's names for the generic ones, and, for the left side, the right side's names
// made from them by the convention's own rule.
std::map<std::string, std::string> Naming(std::map<std::string, std::string> left,
                                          const std::function<std::string(const std::string&)>& right) {
    std::map<std::string, std::string> all = left;
    for (const auto& [generic, name] : left)
        if (generic.rfind("Left", 0) == 0) all["Right" + generic.substr(4)] = right(name);
    return all;
}

std::string Swap(std::string name, const std::string& from, const std::string& to) {
    const auto at = name.find(from);
    return at == std::string::npos ? name : name.replace(at, from.size(), to);
}

const std::map<std::string, std::string> kMixamo{};
const std::map<std::string, std::string> kCmu{{"Hips", "hip"},
                                              {"Spine", "lowerback"},
                                              {"Spine1", "upperback"},
                                              {"Spine2", "thorax"},
                                              {"Neck", "lowerneck"},
                                              {"Head", "head"},
                                              {"LeftShoulder", "lclavicle"},
                                              {"LeftArm", "lhumerus"},
                                              {"LeftForeArm", "lradius"},
                                              {"LeftHand", "lhand"},
                                              {"LeftUpLeg", "lfemur"},
                                              {"LeftLeg", "ltibia"},
                                              {"LeftFoot", "lfoot"},
                                              {"LeftToeBase", "ltoes"},
                                              {"RightShoulder", "rclavicle"},
                                              {"RightArm", "rhumerus"},
                                              {"RightForeArm", "rradius"},
                                              {"RightHand", "rhand"},
                                              {"RightUpLeg", "rfemur"},
                                              {"RightLeg", "rtibia"},
                                              {"RightFoot", "rfoot"},
                                              {"RightToeBase", "rtoes"}};

// The common conventions: Daz-style conversions of the public library, joint-style names in two
// casings, a biped rig's and the avatar humanoid's.
const auto kDaz = Naming({{"Hips", "hip"},
                          {"Spine", "abdomen"},
                          {"Spine1", "abdomen2"},
                          {"Spine2", "chest"},
                          {"Neck", "neck"},
                          {"Head", "head"},
                          {"LeftShoulder", "lCollar"},
                          {"LeftArm", "lShldr"},
                          {"LeftForeArm", "lForeArm"},
                          {"LeftHand", "lHand"},
                          {"LeftUpLeg", "lThigh"},
                          {"LeftLeg", "lShin"},
                          {"LeftFoot", "lFoot"},
                          {"LeftToeBase", "lToe"}},
                         [](const std::string& s) { return "r" + s.substr(1); });
const auto kJoints = Naming({{"Hips", "root"},
                             {"Spine", "lowerback"},
                             {"Spine1", "upperback"},
                             {"Spine2", "thorax"},
                             {"Neck", "lowerneck"},
                             {"Head", "head"},
                             {"LeftShoulder", "lcollar"},
                             {"LeftArm", "lshoulder"},
                             {"LeftForeArm", "lelbow"},
                             {"LeftHand", "lwrist"},
                             {"LeftUpLeg", "lhip"},
                             {"LeftLeg", "lknee"},
                             {"LeftFoot", "lankle"},
                             {"LeftToeBase", "ltoe"}},
                            [](const std::string& s) { return "r" + s.substr(1); });
const auto kJointWords = Naming({{"Hips", "Hips"},
                                 {"Spine", "Spine"},
                                 {"Spine1", "Spine1"},
                                 {"Spine2", "Chest"},
                                 {"Neck", "Neck"},
                                 {"Head", "Head"},
                                 {"LeftShoulder", "LeftCollar"},
                                 {"LeftArm", "LeftShoulder"},
                                 {"LeftForeArm", "LeftElbow"},
                                 {"LeftHand", "LeftWrist"},
                                 {"LeftUpLeg", "LeftHip"},
                                 {"LeftLeg", "LeftKnee"},
                                 {"LeftFoot", "LeftAnkle"},
                                 {"LeftToeBase", "LeftToe"}},
                                [](const std::string& s) { return Swap(s, "Left", "Right"); });
const auto kBiped = Naming({{"Hips", "Bip01 Pelvis"},
                            {"Spine", "Bip01 Spine"},
                            {"Spine1", "Bip01 Spine1"},
                            {"Spine2", "Bip01 Spine2"},
                            {"Neck", "Bip01 Neck"},
                            {"Head", "Bip01 Head"},
                            {"LeftShoulder", "Bip01 L Clavicle"},
                            {"LeftArm", "Bip01 L UpperArm"},
                            {"LeftForeArm", "Bip01 L Forearm"},
                            {"LeftHand", "Bip01 L Hand"},
                            {"LeftUpLeg", "Bip01 L Thigh"},
                            {"LeftLeg", "Bip01 L Calf"},
                            {"LeftFoot", "Bip01 L Foot"},
                            {"LeftToeBase", "Bip01 L Toe0"}},
                           [](const std::string& s) { return Swap(s, " L ", " R "); });
const auto kAvatar = Naming({{"Spine1", "Chest"},
                             {"Spine2", "UpperChest"},
                             {"LeftArm", "LeftUpperArm"},
                             {"LeftForeArm", "LeftLowerArm"},
                             {"LeftUpLeg", "LeftUpperLeg"},
                             {"LeftLeg", "LeftLowerLeg"},
                             {"LeftToeBase", "LeftToes"}},
                            [](const std::string& s) { return Swap(s, "Left", "Right"); });

// The program's own naming, as its BVH export writes it.
const auto kProgram = Naming({{"Spine2", "Chest"},
                              {"LeftArm", "LeftUpperArm"},
                              {"LeftForeArm", "LeftForearm"},
                              {"LeftUpLeg", "LeftThigh"},
                              {"LeftLeg", "LeftShank"}},
                             [](const std::string& s) { return Swap(s, "Left", "Right"); });

// Degrees about z, x, y for a bone in a frame: the first frame at rest, then a walk-like swing.
std::array<double, 3> Angles(std::size_t bone, int frame) {
    if (frame == 0) return {0, 0, 0};
    const double t = frame * 0.7 + static_cast<double>(bone);
    return {25 * std::sin(t), 30 * std::cos(1.3 * t), 20 * std::sin(0.7 * t)};
}

using ClipAngles = std::function<std::array<double, 3>(std::size_t bone, int frame)>;
using ClipRoot = std::function<Point3d(int frame)>; // metres

// The clip as BVH: by default its root walks diagonally and every bone swings (Angles).
std::string ClipText(const std::vector<ClipBone>& bones, double unit, int frames,
                     const ClipAngles& angles = Angles, const ClipRoot& root = {}) {
    std::string text = "HIERARCHY\n";
    std::vector<std::size_t> order; // the file's joints, and so its channels, depth first
    std::function<void(std::size_t, int)> write = [&](std::size_t b, int depth) {
        order.push_back(b);
        const std::string pad(static_cast<std::size_t>(depth) * 2, ' ');
        const Point3d o = (1 / unit) * bones[b].offset;
        text += pad + (bones[b].parent < 0 ? "ROOT " : "JOINT ") + bones[b].name + "\n" + pad + "{\n" + pad +
                "  OFFSET " + std::to_string(o.x) + " " + std::to_string(o.y) + " " + std::to_string(o.z) +
                "\n" + pad +
                (bones[b].parent < 0
                     ? "  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
                     : "  CHANNELS 3 Zrotation Xrotation Yrotation\n");
        bool leaf = true;
        for (std::size_t c = 0; c < bones.size(); ++c)
            if (bones[c].parent == static_cast<int>(b)) {
                write(c, depth + 1);
                leaf = false;
            }
        if (leaf)
            text += pad + "  End Site\n" + pad + "  {\n" + pad + "    OFFSET 0 " +
                    std::to_string(0.1 / unit) + " 0\n" + pad + "  }\n";
        text += pad + "}\n";
    };
    write(0, 0);
    text += "MOTION\nFrames: " + std::to_string(frames) + "\nFrame Time: 0.0333333\n";
    for (int f = 0; f < frames; ++f) {
        const Point3d at = root ? root(f) : Point3d{0.1 * f, bones[0].offset.y, 0.05 * f};
        text += std::to_string(at.x / unit) + " " + std::to_string(at.y / unit) + " " +
                std::to_string(at.z / unit);
        for (std::size_t b : order)
            for (double a : angles(b, f))
                text += " " + std::to_string(a);
        text += "\n";
    }
    return text;
}

Affine Turn(int axis, double degrees) {
    const double a = degrees * kPi / 180, c = std::cos(a), s = std::sin(a);
    Affine R;
    const auto i = static_cast<std::size_t>((axis + 1) % 3), j = static_cast<std::size_t>((axis + 2) % 3);
    R.r[i][i] = c, R.r[i][j] = -s, R.r[j][i] = s, R.r[j][j] = c;
    return R;
}

// The clip's joint places in a frame by its own forward kinematics, in the figure's view axes
// (x the left, y backwards, z up).
std::vector<Point3d> ClipJoints(const std::vector<ClipBone>& bones, int frame) {
    std::vector<Affine> world(bones.size());
    std::vector<Point3d> at(bones.size());
    // Parents first: a helper joint appended last may be another joint's parent.
    std::vector<std::size_t> order;
    std::function<void(int)> visit = [&](int parent) {
        for (std::size_t b = 0; b < bones.size(); ++b)
            if (bones[b].parent == parent) order.push_back(b), visit(static_cast<int>(b));
    };
    visit(-1);
    for (std::size_t b : order) {
        const auto a = Angles(b, frame);
        const Affine local = Turn(2, a[0]) * Turn(0, a[1]) * Turn(1, a[2]);
        const int p = bones[b].parent;
        world[b] = p < 0 ? local : world[static_cast<std::size_t>(p)] * local;
        at[b] = p < 0 ? Point3d{0.1 * frame, bones[0].offset.y, 0.05 * frame}
                      : at[static_cast<std::size_t>(p)] + world[static_cast<std::size_t>(p)](bones[b].offset);
    }
    for (Point3d& p : at)
        p = {p.x, -p.z, p.y};
    return at;
}

class MotionCaptureTest : public testing::Test {
  protected:
    void SetUp() override {
        doc.Load(test::DefaultModelPath(), test::DefaultNormalsPath());
        doc.BuildHierarchy();
        figure.Build(doc.Tables(), 1.0f, doc.ModelCentre());
    }
    // The figure's joint centres in a frame: each under its segment's matrices down the tree.
    std::map<int, Point3d> FigureJoints(const PoseFrame& frame) const {
        std::map<int, Point3d> out;
        const std::vector<Affine> world = WorldTransforms(frame);
        for (const TreeNode& node : FigureTreeTable())
            if (const auto& c = figure.Pose(node.segment).m_pJointCentre)
                out[node.segment] = world[static_cast<std::size_t>(node.segment)](*c);
        return out;
    }
    static double Degrees(const Point3d& a, const Point3d& b) {
        const double c = Dot(a, b) / std::sqrt(Dot(a, a) * Dot(b, b));
        return std::acos(std::clamp(c, -1.0, 1.0)) * 180 / kPi;
    }
    // Upper arms, forearms, thighs and shanks point as the clip's do, in every frame.
    void ExpectLimbsFollow(const RetargetedMotion& motion, const std::vector<ClipBone>& bones,
                           const std::string& what) {
        // Segment pairs along a limb, with the clip's bones at their ends (by generic index).
        const struct {
            int from, to;
            std::size_t clipFrom, clipTo;
        } limbs[] = {{5, 7, 7, 8},     {7, 9, 8, 9},     {4, 6, 15, 16},   {6, 8, 16, 17},
                     {11, 13, 10, 11}, {13, 15, 11, 12}, {10, 12, 18, 19}, {12, 14, 19, 20}};
        ASSERT_EQ(motion.FrameCount(), 5);
        for (int f = 0; f < 5; ++f) {
            const auto joints = FigureJoints(motion.Frame(f));
            const auto clip = ClipJoints(bones, f);
            for (const auto& l : limbs)
                EXPECT_LT(Degrees(joints.at(l.to) - joints.at(l.from), clip[l.clipTo] - clip[l.clipFrom]),
                          1.0)
                    << what << " frame " << f << " segment " << l.from;
        }
    }

    CKvtDoc doc;
    Figure figure;
};

} // namespace

TEST_F(MotionCaptureTest, LimbsTakeTheClipsDirectionsInEveryNamingRestPoseAndUnit) {
    for (const auto* naming : {&kMixamo, &kCmu})
        for (const bool aPose : {false, true})
            for (const double unit : {0.01, 1.0}) {
                const auto bones = Skeleton(*naming, aPose);
                std::string error;
                const auto clip = ParseBvh(ClipText(bones, unit, 5), &error);
                ASSERT_TRUE(clip) << error;
                // The limbs' own directions, without the legs solved for planted feet.
                const auto motion = RetargetMotion(*clip, figure, &error, false);
                ASSERT_TRUE(motion) << error;
                EXPECT_NEAR(motion->framesPerSecond, 30, 1e-3);
                EXPECT_TRUE(motion->missing.empty()) << UnmatchedNote(*motion);
                ExpectLimbsFollow(*motion, bones,
                                  (naming == &kCmu ? "cmu " : "mixamo ") + std::string(aPose ? "A" : "T"));
            }
}

// A bone the figure lacks is left out and named; a segment the clip lacks stays at rest on its
// parent; the travel of the hips is scaled to the figure's legs.
TEST_F(MotionCaptureTest, ExtraAndMissingBones) {
    auto bones = Skeleton(kMixamo, false);
    bones.push_back({"LeftHandIndex1", 9, {0.05, 0, 0}});
    // No forearm any more: the hand hangs from the upper arm, and a bone the table does not know
    // hangs there beside it.
    bones[9].parent = 7;
    bones[9].offset = bones[8].offset + bones[9].offset;
    bones[8].name = "LeftGizmo";
    std::string error;
    const auto motion = RetargetMotion(*ParseBvh(ClipText(bones, 0.01, 5), &error), figure, &error);
    ASSERT_TRUE(motion) << error;
    EXPECT_EQ(motion->missing, std::vector<std::string>{"Left Forearm"});
    EXPECT_NE(std::find(motion->leftOut.begin(), motion->leftOut.end(), "LeftHandIndex1"),
              motion->leftOut.end());
    // A file that ends before the frames it names plays the whole frames it holds, and says so.
    std::string cut = ClipText(bones, 0.01, 5);
    cut.resize(cut.rfind('\n', cut.size() - 2) - 7);
    const auto shorter = RetargetMotion(*ParseBvh(cut, &error), figure, &error);
    ASSERT_TRUE(shorter) << error;
    EXPECT_EQ(shorter->FrameCount(), 4);
    EXPECT_NE(UnmatchedNote(*shorter).find("ends inside frame 5 of its 5"), std::string::npos)
        << UnmatchedNote(*shorter);
    const Affine forearm = Affine::FromMatrix(motion->Frame(3)[7]);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(forearm.r[static_cast<std::size_t>(i)][static_cast<std::size_t>(i)], 1, 1e-6)
            << "at rest";
}

// The BVH the program exports of a played capture, read back and played again, is the same
// motion: every joint in every frame within 0.1 mm.
TEST_F(MotionCaptureTest, ExportedBvhReadsBackAsTheSameMotion) {
    std::string error;
    const auto motion =
        RetargetMotion(*ParseBvh(ClipText(Skeleton(kCmu, true), 0.01, 5), &error), figure, &error);
    ASSERT_TRUE(motion) << error;
    MotionOptions options;
    options.naming = JointNaming::MotionCapture;
    options.framesPerSecond = motion->framesPerSecond;
    const auto again =
        RetargetMotion(*ParseBvh(FormatBvh(figure, motion->AllFrames(), options), &error), figure, &error);
    ASSERT_TRUE(again) << error;
    ASSERT_EQ(again->FrameCount(), motion->FrameCount());
    for (int f = 0; f < motion->FrameCount(); ++f) {
        const auto a = FigureJoints(motion->Frame(f)), b = FigureJoints(again->Frame(f));
        for (const auto& [segment, at] : a) {
            const Point3d d = at - b.at(segment) - (a.at(3) - b.at(3)); // the same up to where it stands
            EXPECT_LT(std::sqrt(Dot(d, d)), 1e-4) << "frame " << f << " segment " << segment;
        }
    }
}

namespace {

// A skeleton of `joints` chained joints with `channels` channels each, and its MOTION header.
std::string HostileBvh(int joints, int channels, const std::string& frames, const std::string& frameTime) {
    const std::string names[] = {"Xrotation", "Yrotation", "Zrotation",
                                 "Xposition", "Yposition", "Zposition"};
    std::string text = "HIERARCHY\n";
    for (int j = 0; j < joints; ++j) {
        text += (j ? "JOINT J" : "ROOT J") + std::to_string(j) + "\n{\nOFFSET 0 1 0\nCHANNELS " +
                std::to_string(channels);
        for (int c = 0; c < channels; ++c)
            text += " " + names[c];
        text += "\n";
    }
    text += "End Site\n{\nOFFSET 0 1 0\n}\n";
    for (int j = 0; j < joints; ++j)
        text += "}\n";
    return text + "MOTION\nFrames: " + frames + "\nFrame Time: " + frameTime + "\n";
}

} // namespace

// Headers that promise more than any capture holds, or a rate no capture has, are refused with a
// message before any room is made for them (they used to end the program).
TEST(BvhLimits, HostileHeadersAreRefused) {
    const struct {
        int joints, channels;
        const char *frames, *frameTime, *why;
    } cases[] = {
        {1, 0, "1000000000000", "0.03", "more than 100000 frames"},
        {1, 3, "2147483647", "0.03", "more than 100000 frames"},
        {40, 6, "100000", "0.03", "more than 20000000 values"},
        {1, 3, "1", "1e-320", "frame time"},
        {1, 3, "1", "1e308", "frame time"},
        {1, 3, "1", "0", "frame time"},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto motion = ParseBvh(HostileBvh(c.joints, c.channels, c.frames, c.frameTime), &error);
        EXPECT_FALSE(motion) << c.frames << " " << c.frameTime;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
    }
}

// A long capture keeps its numbers only: its frames are posed when asked for, the last as well as
// the first; a read can be cancelled from its progress.
TEST_F(MotionCaptureTest, LongCapturesArePosedOnDemandAndCanBeCancelled) {
    std::string error;
    auto empty = ParseBvh(HostileBvh(1, 0, "100000", "0.0083333"), &error);
    ASSERT_TRUE(empty) << error;
    EXPECT_TRUE(empty->values.empty());
    const auto motion = RetargetMotion(std::move(*empty), figure, &error);
    ASSERT_TRUE(motion) << error;
    EXPECT_EQ(motion->FrameCount(), 100000);
    EXPECT_EQ(motion->Frame(99999).size(), CurrentFrame(figure).size());

    const std::string text = ClipText(Skeleton(kCmu, false), 0.01, 2000);
    int asked = 0;
    EXPECT_FALSE(ParseBvh(text, &error, [&](double) { return ++asked < 2; }));
    EXPECT_EQ(error, "reading was cancelled");
}

// Every convention, with its files' rest quirks, in T and A rest poses and both units: the upper
// arms, forearms, thighs and shanks take the clip's directions, and the pelvis stays the right way
// up (the thighs' joints below the waist).
TEST_F(MotionCaptureTest, EveryConventionAndRestQuirk) {
    const struct {
        const char* what;
        const std::map<std::string, std::string>* naming;
        Quirks quirks;
    } conventions[] = {
        {"daz, root below the hips", &kDaz, {true, "Buttock", false}},
        {"capture library, hip joints", &kCmu, {false, "hipjoint", false}},
        {"capture library, leaning spine", &kCmu, {false, "", true}},
        {"joint names", &kJoints, {true, "", false}},
        {"joint words", &kJointWords, {false, "", true}},
        {"biped", &kBiped, {false, "", false}},
        {"avatar", &kAvatar, {false, "", false}},
        {"program", &kProgram, {false, "", false}},
    };
    for (const auto& c : conventions)
        for (const bool aPose : {false, true})
            for (const double unit : {0.01, 1.0}) {
                const auto bones = Skeleton(*c.naming, aPose, c.quirks);
                std::string error;
                const auto motion =
                    RetargetMotion(*ParseBvh(ClipText(bones, unit, 5), &error), figure, &error, false);
                ASSERT_TRUE(motion) << c.what << ": " << error;
                const std::string what = c.what + std::string(aPose ? " A" : " T");
                EXPECT_TRUE(motion->missing.empty()) << what << ": " << UnmatchedNote(*motion);
                ExpectLimbsFollow(*motion, bones, what);
                for (int f = 0; f < motion->FrameCount(); ++f) {
                    const auto joints = FigureJoints(motion->Frame(f));
                    EXPECT_LT(joints.at(10).z, joints.at(3).z) << what << " frame " << f;
                    EXPECT_LT(joints.at(11).z, joints.at(3).z) << what << " frame " << f;
                }
            }
}

namespace {

// A stance: the root walks forward 2 cm a frame while the left leg, solved in the clip's own
// side plane, keeps its ankle still on the ground; every other bone stays at rest.
std::string StanceClip(const std::vector<ClipBone>& bones, int frames) {
    constexpr std::size_t kLeftThigh = 10, kLeftShank = 11;
    const double thigh = 0.45, shank = 0.42, hipY = 1.0 + bones[kLeftThigh].offset.y;
    const double ankleZ = 0.2, ankleY = hipY - 0.78;
    auto legAngles = [=](int frame) {
        const double dy = ankleY - hipY, dz = ankleZ - 0.02 * frame, d = std::hypot(dy, dz);
        const double toward = std::atan2(-dz, -dy); // the x turn that points a bone at the ankle
        const double atHip = std::acos((thigh * thigh + d * d - shank * shank) / (2 * thigh * d));
        const double atAnkle = std::acos((shank * shank + d * d - thigh * thigh) / (2 * shank * d));
        // The knee in front: the thigh turned forward of the line, the shank behind it.
        return std::pair{(toward - atHip) * 180 / kPi, (atHip + atAnkle) * 180 / kPi};
    };
    const ClipAngles angles = [=](std::size_t b, int frame) -> std::array<double, 3> {
        if (b == kLeftThigh) return {0, legAngles(frame).first, 0};
        if (b == kLeftShank) return {0, legAngles(frame).second, 0};
        return {0, 0, 0};
    };
    return ClipText(bones, 0.01, frames, angles, [](int frame) { return Point3d{0, 1.0, 0.02 * frame}; });
}

} // namespace

// A foot the clip keeps still on the ground stays still on the figure, whose legs are of other
// proportions (there it slides without planting), and no ankle goes below its height at rest.
TEST_F(MotionCaptureTest, PlantedFeetStayStillAndAboveGround) {
    const auto bones = Skeleton(kMixamo, false);
    std::string error;
    const auto clip = ParseBvh(StanceClip(bones, 20), &error);
    ASSERT_TRUE(clip) << error;
    auto leftAnkle = [&](const RetargetedMotion& motion, int frame) {
        return WorldTransforms(motion.Frame(frame))[15](*figure.Pose(15).m_pJointCentre);
    };
    const double leg = Length(*figure.Pose(11).m_pJointCentre - *figure.Pose(13).m_pJointCentre) +
                       Length(*figure.Pose(13).m_pJointCentre - *figure.Pose(15).m_pJointCentre);
    const double ground = figure.Pose(15).m_pJointCentre->z;
    auto slide = [&](bool plant) {
        const auto motion = RetargetMotion(*clip, figure, &error, plant);
        double most = 0;
        for (int f = 0; f < motion->FrameCount(); ++f) {
            most = std::max(most, Length(leftAnkle(*motion, f) - leftAnkle(*motion, 0)));
            if (!plant) continue;
            const std::vector<Affine> world = WorldTransforms(motion->Frame(f));
            for (int ankle : {14, 15})
                EXPECT_GT(world[static_cast<std::size_t>(ankle)](*figure.Pose(ankle).m_pJointCentre).z,
                          ground - 0.005 * leg)
                    << "frame " << f << " ankle " << ankle;
        }
        return most / leg;
    };
    EXPECT_LT(slide(true), 0.0005);
    EXPECT_GT(slide(false), 0.004) << "the figure's own proportions should slide the foot without planting";
}

// Names that say nothing (a capture whose joints are numbered): the skeleton's shape finds the
// legs, the spine and the arms, with helper joints before the thighs and the root below the hips.
TEST_F(MotionCaptureTest, UnknownNamesAreMatchedByShape) {
    for (const Quirks& quirks : {Quirks{}, Quirks{true, "hipjoint", false}}) {
        auto bones = Skeleton(kMixamo, false, quirks);
        for (std::size_t b = 0; b < bones.size(); ++b)
            bones[b].name = "J" + std::to_string(b);
        std::string error;
        const auto motion =
            RetargetMotion(*ParseBvh(ClipText(bones, 0.01, 5), &error), figure, &error, false);
        ASSERT_TRUE(motion) << error;
        EXPECT_TRUE(motion->missing.empty()) << UnmatchedNote(*motion);
        ExpectLimbsFollow(*motion, bones, quirks.hipHelper.empty() ? "numbered" : "numbered, helper joints");
    }
}
