// Control pictures of the built-in figure: keypoints against an independent projection of the
// joints, read back from the JSON by an independent reader; the depth, segment and skeleton
// pictures decoded by libpng; and the headless exporter's files.
#include "ControlPictures.h"
#include "CameraFraming.h"
#include "DefaultModel.h"
#include "FigureTree.h"
#include "KvtDoc.h"
#include "SegmentColour.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

using namespace figurant;

namespace {

struct Picture {
    int width = 0, height = 0, channels = 0;
    std::vector<int> samples; // channels per pixel, rows from the top
    int At(int x, int y, int c = 0) const {
        return samples[static_cast<std::size_t>((y * width + x) * channels + c)];
    }
};

Picture DecodePng(const std::string& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture out;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return out;
    const bool grey16 = (image.format & PNG_FORMAT_FLAG_COLOR) == 0;
    image.format = grey16 ? PNG_FORMAT_LINEAR_Y : PNG_FORMAT_RGB;
    std::vector<unsigned char> buffer(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr)) return out;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.channels = grey16 ? 1 : 3;
    for (std::size_t i = 0; i < buffer.size(); i += grey16 ? 2 : 1) {
        if (grey16) {
            std::uint16_t v;
            std::memcpy(&v, &buffer[i], 2);
            out.samples.push_back(v);
        } else {
            out.samples.push_back(buffer[i]);
        }
    }
    return out;
}

class ControlPicturesTest : public testing::Test {
  protected:
    void SetUp() override {
        doc.Load(test::DefaultModelPath(), test::DefaultNormalsPath());
        doc.BuildHierarchy();
        figure.Build(doc.Tables(), 1.0f, doc.ModelCentre());
        volume = ComputeViewVolume(doc.Model()->Bounds().Extent());
    }
    ViewMatrices View(float turn, float tilt, const Lens& lens = StandardLens()) const {
        ViewMatrices v;
        v.width = 400;
        v.height = 600;
        v.modelView = PresetSceneMatrix(lens, volume, 400.0 / 600, turn, tilt);
        v.projection = ProjectionMatrix(lens, volume, 400.0 / 600);
        return v;
    }
    std::map<std::string, std::string> Make(const ViewMatrices& view, KeyPointLayout layout) const {
        ControlOptions options;
        options.layout = layout;
        std::map<std::string, std::string> files;
        for (auto& [name, bytes] : MakeControlPictures(figure, view, StartLookAt(volume), options))
            files[name] = bytes;
        return files;
    }
    // A joint's place in the picture, worked out here: the joint ring's centre under the matrices
    // down the tree, then the model-view and projection, then the viewport.
    std::pair<double, double> Projected(const ViewMatrices& v, int segment) const {
        std::vector<int> chain;
        for (int s = segment; s >= 0;) {
            chain.insert(chain.begin(), s);
            int parent = -1;
            for (const TreeNode& node : FigureTreeTable())
                if (node.segment == s) parent = node.parent;
            s = parent;
        }
        const Point3d c = *figure.Pose(segment).m_pJointCentre;
        double p[4] = {c.x, c.y, c.z, 1};
        for (auto it = chain.rbegin(); it != chain.rend(); ++it)
            Apply(figure.Pose(*it).m_matrix, p);
        Apply(v.modelView, p);
        Apply(v.projection, p);
        return {(p[0] / p[3] + 1) / 2 * v.width - 0.5, (1 - p[1] / p[3]) / 2 * v.height - 0.5};
    }
    static void Apply(const Matrix4& m, double p[4]) {
        double q[4];
        for (int r = 0; r < 4; ++r)
            q[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r] * p[3];
        std::copy(q, q + 4, p);
    }
    void Turn(int segment, int axis, float degrees) {
        figure.Pick(segment, false);
        figure.ApplyPoseKey({PoseKeyStep::Turn, axis, degrees}, 0.0f);
    }

    CKvtDoc doc;
    Figure figure;
    ViewVolume volume;
};

// The joints of the 18-point layout: index, and the segment whose joint ring it is.
const std::pair<int, int> kJoints18[] = {{1, 0},  {2, 4},  {3, 6},   {4, 8},   {5, 5},   {6, 7},  {7, 9},
                                         {8, 10}, {9, 12}, {10, 14}, {11, 11}, {12, 13}, {13, 15}};

} // namespace

// Three poses in three views: every joint within a pixel of its projection; a joint the body hides
// is still seen (the left hand, the neck and the hips from the side), the face from behind is not.
TEST_F(ControlPicturesTest, KeypointsAreTheJointsProjected) {
    const std::function<void()> poses[] = {[] {}, [this] { Turn(4, 0, 70); },
                                           [this] { Turn(10, 1, -40), Turn(12, 1, 60), Turn(7, 2, 45); }};
    const std::pair<float, float> views[] = {{0, 0}, {90, 0}, {180, 0}};
    for (const auto& pose : poses) {
        pose();
        for (const auto& [turn, tilt] : views) {
            const ViewMatrices v = View(turn, tilt);
            const auto json = nlohmann::json::parse(Make(v, KeyPointLayout::Body18)["keypoints.json"]);
            ASSERT_EQ(json["canvas_width"], 400);
            const auto& points = json["people"][0]["pose_keypoints_2d"];
            ASSERT_EQ(points.size(), 18u * 3);
            for (const auto& [index, segment] : kJoints18) {
                const auto [x, y] = Projected(v, segment);
                EXPECT_NEAR(points[index * 3].get<double>(), x, 1.0) << "point " << index << " turn " << turn;
                EXPECT_NEAR(points[index * 3 + 1].get<double>(), y, 1.0)
                    << "point " << index << " turn " << turn;
            }
            const int nose = points[0 * 3 + 2];
            if (turn == 90) {
                for (const int joint : {1, 7, 8, 11})
                    EXPECT_EQ(points[joint * 3 + 2], 1)
                        << "joint " << joint << " behind the body, seen from the side";
            } else if (turn == 180) {
                EXPECT_EQ(nose, 0) << "the nose from behind";
            } else {
                EXPECT_EQ(nose, 1) << "the nose from the front";
            }
        }
    }
}

// Looking down on the figure: the head is nearer than the hips, the hips than the feet, and the
// depth picture is brightest near; the background is 0. Every pixel of the segment picture is a
// segment's mask colour or black, and the skeleton has its neck-to-shoulder limbs.
TEST_F(ControlPicturesTest, DepthSegmentsAndSkeletonPictures) {
    const ViewMatrices v = View(0, 60);
    auto files = Make(v, KeyPointLayout::Body25);
    const Picture depth = DecodePng(files["depth.png"]), segments = DecodePng(files["segments.png"]);
    ASSERT_EQ(depth.width, 400);
    ASSERT_EQ(segments.height, 600);
    const auto json = nlohmann::json::parse(files["keypoints.json"]);
    const auto& points = json["people"][0]["pose_keypoints_2d"];
    ASSERT_EQ(points.size(), 25u * 3);
    auto greyAt = [&](int index) {
        return depth.At(static_cast<int>(std::lround(points[index * 3].get<double>())),
                        static_cast<int>(std::lround(points[index * 3 + 1].get<double>())));
    };
    EXPECT_GT(greyAt(1), greyAt(8)) << "the neck nearer than the middle of the hips";
    EXPECT_GT(greyAt(8), greyAt(11)) << "the hips nearer than the right ankle";
    EXPECT_EQ(depth.At(0, 0), 0);
    std::set<std::array<int, 3>> allowed{{0, 0, 0}};
    for (int s = 0; s < 16; ++s) {
        const auto c = SegmentMaskColour(s);
        allowed.insert({c[0], c[1], c[2]});
    }
    int figurePixels = 0;
    for (int y = 0; y < segments.height; ++y)
        for (int x = 0; x < segments.width; ++x) {
            const std::array<int, 3> c{segments.At(x, y, 0), segments.At(x, y, 1), segments.At(x, y, 2)};
            ASSERT_TRUE(allowed.count(c)) << x << "," << y;
            const bool black = c == std::array<int, 3>{0, 0, 0};
            figurePixels += black ? 0 : 1;
            ASSERT_EQ(black, depth.At(x, y) == 0) << x << "," << y;
        }
    EXPECT_GT(figurePixels, 5000);
    const Picture skeleton = DecodePng(files["skeleton.png"]);
    const int midX =
        static_cast<int>(std::lround((points[1 * 3].get<double>() + points[2 * 3].get<double>()) / 2));
    const int midY = static_cast<int>(
        std::lround((points[1 * 3 + 1].get<double>() + points[2 * 3 + 1].get<double>()) / 2));
    EXPECT_GT(skeleton.At(midX, midY, 0), 100) << "the red neck-to-right-shoulder limb";
}

// Without a window: the six files in the folder, at the size asked for, of the animation's frame.
TEST_F(ControlPicturesTest, ExporterWritesTheFolder) {
    test::TempDir dir;
    const std::string command = std::string(FIGURANT_EXPORT) + " --dxf " + test::DefaultModelPath() +
                                " --normals " + test::DefaultNormalsPath() + " --control " + dir.File("out") +
                                " --size 320x240 --view side --lens 85 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : {"skeleton.png", "depth.png", "normal.png", "segments.png", "picture.png"}) {
        const Picture p = DecodePng(test::ReadAll(dir.File(std::string("out/") + name)));
        EXPECT_EQ(p.width, 320) << name;
        EXPECT_EQ(p.height, 240) << name;
    }
    const auto json = nlohmann::json::parse(test::ReadAll(dir.File("out/keypoints.json")));
    EXPECT_EQ(json["canvas_height"], 240);
    EXPECT_NE(std::system((command + " --view sideways >/dev/null").c_str()), 0);
}

// A write that fails halfway (here past a file-size limit, as on a full disk) leaves the folder
// with the whole set it held before, not new pictures beside old ones; pictures larger than the
// window draws are refused before any memory is taken for them.
TEST_F(ControlPicturesTest, TheFolderHoldsOneWholeSet) {
    test::TempDir dir;
    const std::string out = dir.File("out");
    const std::string export_ = std::string(FIGURANT_EXPORT) + " --dxf " + test::DefaultModelPath() +
                                " --normals " + test::DefaultNormalsPath() + " --control " + out;
    ASSERT_EQ(std::system((export_ + " --size 320x240 >/dev/null 2>&1").c_str()), 0);
    std::map<std::string, std::string> before;
    for (const auto& entry : std::filesystem::directory_iterator(out))
        before[entry.path().filename().string()] = test::ReadAll(entry.path().string());
    ASSERT_EQ(before.size(), 6u);
    // 20 blocks of 512 bytes: the key points and the skeleton fit, the depth picture does not.
    const std::string limited = "ulimit -f 20; " + export_ + " --size 640x480 --view side >/dev/null 2>&1";
    EXPECT_NE(std::system(("sh -c '" + limited + "'").c_str()), 0);
    std::map<std::string, std::string> after;
    for (const auto& entry : std::filesystem::directory_iterator(out))
        after[entry.path().filename().string()] = test::ReadAll(entry.path().string());
    EXPECT_TRUE(after == before) << "the folder changed: " << after.size() << " files";

    const std::string huge = export_ + " --size 16384x16384 2>&1";
    std::FILE* pipe = ::popen(huge.c_str(), "r");
    std::string said(256, '\0');
    said.resize(std::fread(said.data(), 1, said.size(), pipe));
    EXPECT_NE(::pclose(pipe), 0);
    EXPECT_NE(said.find("at most 4096 pixels a side"), std::string::npos) << said;
}

// normal.png as the common normal-map control models take it: a surface turned towards the
// picture's left is red, one turned towards its right is not; the other convention swaps them.
TEST_F(ControlPicturesTest, NormalsFollowThePreprocessorsConvention) {
    const ViewMatrices v = View(0, 0);
    for (const bool rightInRed : {false, true}) {
        ControlOptions options;
        options.normalRightInRed = rightInRed;
        const auto files = MakeControlPictures(figure, v, StartLookAt(volume), options);
        const auto normal =
            std::find_if(files.begin(), files.end(), [](const auto& f) { return f.first == "normal.png"; });
        ASSERT_NE(normal, files.end());
        const Picture p = DecodePng(normal->second);
        // The figure's outermost covered pixels on the row of the waist: their surfaces face out
        // to the left and to the right of the picture.
        const int y = static_cast<int>(Projected(v, 3).second);
        int left = -1, right = -1;
        for (int x = 0; x < p.width; ++x)
            if (p.At(x, y, 2) > 0) {
                if (left < 0) left = x;
                right = x;
            }
        ASSERT_GE(left, 0);
        const int redLeft = p.At(left + 1, y, 0), redRight = p.At(right - 1, y, 0);
        if (rightInRed)
            EXPECT_GT(redRight, redLeft + 60);
        else
            EXPECT_GT(redLeft, redRight + 60);
    }
}
