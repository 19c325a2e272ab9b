// Exports read back by independent readers: every .glb passes the Khronos glTF validator, and the
// BVH and glTF files re-imported through the Open Asset Import Library put every joint, in every
// frame, where the figure model puts it (within 0.1 mm), with the frame count and duration kept.
#include "AnimationWriter.h"
#include "BvhWriter.h"
#include "DefaultModel.h"
#include "ExportSkeleton.h"
#include "GlbWriter.h"
#include "KeyFrameSet.h"
#include "KvtDoc.h"
#include "TempDir.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>

using namespace figurant;

namespace {

constexpr double kTolerance = 1e-4; // metres

// The figure as the program builds it from the default model.
class ExportTest : public testing::Test {
  protected:
    void SetUp() override {
        doc.Load(test::DefaultModelPath(), test::DefaultNormalsPath());
        doc.BuildHierarchy();
        figure.Build(doc.Tables(), 1.0f, doc.ModelCentre());
    }
    // Every joint turned about all three axes, both thighs twisted.
    void PoseEverything(float degrees) {
        for (int s = 0; s < 16; ++s) {
            if (s == 1 || s == 2) continue;
            figure.Pick(s, false);
            for (int axis = 0; axis < 3; ++axis)
                figure.ApplyPoseKey({PoseKeyStep::Turn, axis, degrees * (axis + 1) * (s % 2 ? -1.0f : 1.0f)},
                                    0.0f);
        }
        figure.TwistSegment(10, 35);
        figure.TwistSegment(11, -20);
    }
    std::string Record(const test::TempDir& dir) {
        const std::string path = dir.File("walk.amt");
        int rotX = 0, rotZ = 0;
        Matrix4 sceneMatrix;
        AnimationScene scene{rotX, rotZ, sceneMatrix, figure.Poses(), figure.SegmentCount()};
        EXPECT_EQ(WriteKeyFrame(path, true, scene), "");
        PoseEverything(6);
        EXPECT_EQ(WriteKeyFrame(path, false, scene), "");
        PoseEverything(-9);
        EXPECT_EQ(WriteKeyFrame(path, false, scene), "");
        return path;
    }
    // Where the figure puts each joint in a frame: the matrices multiplied down the tree in single
    // precision as the drawing does, then from the ground point in the exchange axes (x, z, -y) in
    // the given unit.
    std::map<std::string, Point3d> FigureJoints(const PoseFrame& frame, double metresPerUnit) const {
        std::map<std::string, Point3d> out;
        std::array<Matrix4, kMaxSegments> world;
        for (const TreeNode& node : FigureTreeTable()) {
            const auto s = static_cast<std::size_t>(node.segment);
            if (node.parent < 0)
                world[s] = frame[s];
            else
                MultMatrix(world[static_cast<std::size_t>(node.parent)], frame[s], world[s]);
        }
        const Point3d ground = GroundOrigin(figure);
        for (const ExportJoint& j : ExportSkeleton(figure)) {
            const Point3d p = TransformPoint3(world[static_cast<std::size_t>(j.segment)], j.rest) - ground;
            out[j.name] = (1.0 / metresPerUnit) * Point3d{p.x, p.z, -p.y};
        }
        return out;
    }
    CKvtDoc doc;
    Figure figure;
};

// Every node's global transform in a re-imported file at one key of its animation (or at rest
// without one).
std::map<std::string, aiMatrix4x4> ImportedGlobals(const aiScene& scene, unsigned key) {
    std::map<std::string, const aiNodeAnim*> channels;
    if (scene.mNumAnimations)
        for (unsigned c = 0; c < scene.mAnimations[0]->mNumChannels; ++c)
            channels[scene.mAnimations[0]->mChannels[c]->mNodeName.C_Str()] =
                scene.mAnimations[0]->mChannels[c];
    std::map<std::string, aiMatrix4x4> out;
    std::function<void(const aiNode&, const aiMatrix4x4&)> walk = [&](const aiNode& node,
                                                                      const aiMatrix4x4& parent) {
        aiMatrix4x4 local = node.mTransformation;
        if (const auto it = channels.find(node.mName.C_Str()); it != channels.end()) {
            const aiNodeAnim& c = *it->second;
            const aiVector3D t = c.mPositionKeys[std::min(key, c.mNumPositionKeys - 1)].mValue;
            const aiQuaternion r = c.mRotationKeys[std::min(key, c.mNumRotationKeys - 1)].mValue;
            local = aiMatrix4x4(aiVector3D(1, 1, 1), r, t);
        }
        const aiMatrix4x4 global = parent * local;
        out[node.mName.C_Str()] = global;
        for (unsigned i = 0; i < node.mNumChildren; ++i)
            walk(*node.mChildren[i], global);
    };
    walk(*scene.mRootNode, aiMatrix4x4());
    return out;
}

// Joint positions of a re-imported file at one key of its animation (or at rest without one).
std::map<std::string, Point3d> ImportedJoints(const aiScene& scene, unsigned key) {
    std::map<std::string, Point3d> out;
    for (const auto& [name, global] : ImportedGlobals(scene, key)) {
        const aiVector3D o = global * aiVector3D(0, 0, 0);
        out[name] = {o.x, o.y, o.z};
    }
    return out;
}

void ExpectSameJoints(const std::map<std::string, Point3d>& figure,
                      const std::map<std::string, Point3d>& file, double tolerance, const std::string& what) {
    for (const auto& [name, p] : figure) {
        const auto it = file.find(name);
        ASSERT_NE(it, file.end()) << what << ": no joint " << name;
        const Point3d d = it->second - p;
        EXPECT_LT(std::sqrt(Dot(d, d)), tolerance) << what << ": " << name;
    }
}

std::string Validate(const std::string& path) {
    const std::string command = "node " FIGURANT_VALIDATOR " " + path;
    std::FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
        out.append(buf, n);
    pclose(pipe);
    return out;
}

} // namespace

TEST_F(ExportTest, APosedFigureSurvivesTheRoundTripInBothFormats) {
    test::TempDir dir;
    PoseEverything(7);
    const PoseFrame pose = CurrentFrame(figure);
    for (const double unit : {1.0, 0.01}) {
        MotionOptions options;
        options.metresPerUnit = unit;
        const std::string bvh = dir.Write("pose.bvh", FormatBvh(figure, {pose}, options));
        const std::string glb = dir.Write("pose.glb", FormatGlb(figure, pose, {}, options));
        EXPECT_NE(Validate(glb).find("\"errors\":0,"), std::string::npos) << Validate(glb);
        for (const std::string& path : {bvh, glb}) {
            Assimp::Importer importer;
            const aiScene* scene = importer.ReadFile(path, 0);
            ASSERT_NE(scene, nullptr) << importer.GetErrorString();
            ExpectSameJoints(FigureJoints(pose, unit), ImportedJoints(*scene, 0), kTolerance / unit, path);
        }
    }
}

TEST_F(ExportTest, EveryPlaybackFrameSurvivesTheRoundTrip) {
    test::TempDir dir;
    const std::string amt = Record(dir);
    figure.ResetPose();
    std::string error;
    const auto frames = PlaybackFrames(figure, amt, &error);
    ASSERT_TRUE(frames) << error;
    ASSERT_EQ(frames->size(), 23u); // three key frames and ten steps between each two
    MotionOptions options;
    options.framesPerSecond = 24;
    const std::string bvh = dir.Write("walk.bvh", FormatBvh(figure, *frames, options));
    const std::string glb = dir.Write("walk.glb", FormatGlb(figure, CurrentFrame(figure), *frames, options));
    EXPECT_NE(Validate(glb).find("\"errors\":0,"), std::string::npos) << Validate(glb);
    for (const std::string& path : {bvh, glb}) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(path, 0);
        ASSERT_NE(scene, nullptr) << importer.GetErrorString();
        ASSERT_EQ(scene->mNumAnimations, 1u) << path;
        const aiAnimation& animation = *scene->mAnimations[0];
        const double ticks = animation.mTicksPerSecond > 0 ? animation.mTicksPerSecond : 1.0;
        EXPECT_NEAR(animation.mDuration / ticks, (frames->size() - 1) / 24.0, 1e-3) << path;
        for (unsigned c = 0; c < animation.mNumChannels; ++c)
            ASSERT_EQ(animation.mChannels[c]->mNumRotationKeys, frames->size()) << path;
        for (unsigned f = 0; f < frames->size(); ++f)
            ExpectSameJoints(FigureJoints((*frames)[f], 1.0), ImportedJoints(*scene, f), kTolerance,
                             path + " frame " + std::to_string(f));
    }
    // Playing the frames put the figure's own pose back.
    EXPECT_EQ(figure.Pose(6).m_matrix, Matrix4::Identity());
}

// Both formats stand the figure on the ground (its lowest point at rest at height 0, centred
// left to right), name the rate, and keep a limb moved by the move keys where the figure has it.
TEST_F(ExportTest, ExportsStandOnTheGroundAndKeepMoves) {
    test::TempDir dir;
    PoseEverything(7);
    figure.Pick(6, false);
    figure.ApplyPoseKey({PoseKeyStep::Move, 0, 1}, 0.05f); // the right forearm 5 cm along x
    const PoseFrame pose = CurrentFrame(figure);
    MotionOptions options;
    options.framesPerSecond = 24;
    const std::string bvh = dir.Write("pose.bvh", FormatBvh(figure, {pose}, options));
    const std::string glb = dir.Write("pose.glb", FormatGlb(figure, pose, {}, options));
    for (const std::string& path : {bvh, glb}) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(path, 0);
        ASSERT_NE(scene, nullptr) << importer.GetErrorString();
        ExpectSameJoints(FigureJoints(pose, 1.0), ImportedJoints(*scene, 0), kTolerance, path);
    }
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(glb, 0);
    ASSERT_NE(scene, nullptr);
    aiVector3D low(1e30f, 1e30f, 1e30f), high(-1e30f, -1e30f, -1e30f);
    for (unsigned m = 0; m < scene->mNumMeshes; ++m)
        for (unsigned v = 0; v < scene->mMeshes[m]->mNumVertices; ++v) {
            const aiVector3D& p = scene->mMeshes[m]->mVertices[v];
            low = aiVector3D(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
            high = aiVector3D(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
        }
    EXPECT_NEAR(low.y, 0.0, 1e-6); // the skin is at rest: its lowest point is the soles
    EXPECT_NEAR(low.x + high.x, 0.0, 0.02);
    std::ifstream in(glb, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("\"extras\":{\"framesPerSecond\":24}"), std::string::npos);
    // The moved forearm's joint has position channels.
    const std::string hierarchy = test::ReadAll(bvh);
    const auto forearm = hierarchy.find("JOINT RightForearm");
    ASSERT_NE(forearm, std::string::npos);
    EXPECT_EQ(hierarchy.find("CHANNELS", forearm), hierarchy.find("CHANNELS 6", forearm));
}

// The built-in figure's mesh arrives as one closed surface: a vertex per distinct place (its
// normals are one per place), every edge between exactly two triangles.
TEST_F(ExportTest, TheMeshIsOneClosedSurface) {
    test::TempDir dir;
    const std::string glb =
        dir.Write("figure.glb", FormatGlb(figure, CurrentFrame(figure), {}, MotionOptions{}));
    EXPECT_NE(Validate(glb).find("\"errors\":0,"), std::string::npos) << Validate(glb);
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(glb, 0);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    ASSERT_EQ(scene->mNumMeshes, 1u);
    const aiMesh& mesh = *scene->mMeshes[0];
    std::set<std::array<float, 3>> places;
    for (unsigned v = 0; v < mesh.mNumVertices; ++v)
        places.insert({mesh.mVertices[v].x, mesh.mVertices[v].y, mesh.mVertices[v].z});
    EXPECT_EQ(mesh.mNumVertices, places.size());
    std::map<std::pair<unsigned, unsigned>, int> edges;
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        ASSERT_EQ(face.mNumIndices, 3u);
        for (unsigned i = 0; i < 3; ++i) {
            const unsigned a = face.mIndices[i], b = face.mIndices[(i + 1) % 3];
            ++edges[{std::min(a, b), std::max(a, b)}];
        }
    }
    int open = 0;
    for (const auto& [edge, count] : edges)
        open += count != 2;
    EXPECT_EQ(open, 0) << "of " << edges.size() << " edges; " << mesh.mNumVertices << " vertices";
}

// The skin follows the skeleton: every vertex of a posed figure's .glb, moved by its bone (the
// node's transform times the inverse bind matrix), lands where the figure puts it. Each bone
// points along its bone, and the turn of every bone from rest is the same in the .glb and the
// .bvh.
TEST_F(ExportTest, BonesPointAlongTheirBonesAndBothFormatsTurnThemAlike) {
    test::TempDir dir;
    PoseEverything(11);
    const PoseFrame pose = CurrentFrame(figure);
    const std::string glb = dir.Write("pose.glb", FormatGlb(figure, pose, {}, MotionOptions{}));
    const std::string bvh = dir.Write("pose.bvh", FormatBvh(figure, {pose}, MotionOptions{}));
    Assimp::Importer glbImporter, bvhImporter;
    const aiScene* g = glbImporter.ReadFile(glb, 0);
    const aiScene* b = bvhImporter.ReadFile(bvh, 0);
    ASSERT_TRUE(g && b);
    const auto glbNodes = ImportedGlobals(*g, 0), bvhNodes = ImportedGlobals(*b, 0);
    const std::map<std::string, Point3d> joints = FigureJoints(pose, 1.0);
    // The skin, against the figure's own posed segments.
    const ExchangeAxes axes = ExportAxes(figure, 1.0);
    const std::vector<Affine> world = WorldTransforms(pose);
    std::map<std::string, int> segmentOf;
    for (const ExportJoint& j : ExportSkeleton(figure))
        segmentOf[j.name] = j.segment;
    const aiMesh& mesh = *g->mMeshes[0];
    ASSERT_GT(mesh.mNumBones, 10u);
    int checked = 0;
    for (unsigned k = 0; k < mesh.mNumBones; ++k) {
        const aiBone& bone = *mesh.mBones[k];
        const aiMatrix4x4 skin = glbNodes.at(bone.mName.C_Str()) * bone.mOffsetMatrix;
        const Affine expected =
            axes.Transform(world[static_cast<std::size_t>(segmentOf.at(bone.mName.C_Str()))]);
        for (unsigned w = 0; w < bone.mNumWeights; w += 7, ++checked) {
            const aiVector3D& v = mesh.mVertices[bone.mWeights[w].mVertexId];
            const aiVector3D moved = skin * v;
            const Point3d want = expected({v.x, v.y, v.z});
            const Point3d d = Point3d{moved.x, moved.y, moved.z} - want;
            ASSERT_LT(std::sqrt(Dot(d, d)), kTolerance) << bone.mName.C_Str();
        }
    }
    EXPECT_GT(checked, 500);
    // Bones point: a forearm's y axis runs to its hand, a shank's to its foot.
    for (const auto& [from, to] : {std::pair{"RightForearm", "RightHand"}, std::pair{"LeftShank", "LeftFoot"},
                                   std::pair{"Chest", "Head"}, std::pair{"RightUpperArm", "RightForearm"}}) {
        const aiMatrix4x4& m = glbNodes.at(from);
        const Point3d y{m.a2, m.b2, m.c2}; // the second column
        const Point3d along = Normalize(joints.at(to) - joints.at(from));
        EXPECT_GT(Dot(Normalize(y), along), std::cos(0.01 * kPi / 180)) << from;
    }
    // Each bone's turn from rest: the .glb's global rotation times its inverse bind rotation; the
    // .bvh's global rotation (its rest frames are the world's).
    for (unsigned k = 0; k < mesh.mNumBones; ++k) {
        const aiBone& bone = *mesh.mBones[k];
        const aiMatrix4x4 glbTurn = glbNodes.at(bone.mName.C_Str()) * bone.mOffsetMatrix;
        const aiMatrix4x4& bvhTurn = bvhNodes.at(bone.mName.C_Str());
        for (unsigned r = 0; r < 3; ++r)
            for (unsigned c = 0; c < 3; ++c)
                EXPECT_NEAR(glbTurn[r][c], bvhTurn[r][c], 1.7e-4) << bone.mName.C_Str();
    }
}

// An imported figure faces as it did in its file: turned a quarter about the vertical, every joint
// is where the unturned export has it, turned a quarter (+z to +x).
TEST_F(ExportTest, AFigureTurnedInItsFileIsExportedTurnedBack) {
    test::TempDir dir;
    PoseEverything(5);
    const PoseFrame pose = CurrentFrame(figure);
    MotionOptions turned;
    turned.facingYaw = kPi / 2;
    for (const bool gltf : {false, true}) {
        const auto write = [&](const MotionOptions& o, const std::string& name) {
            return dir.Write(name, gltf ? FormatGlb(figure, pose, {}, o) : FormatBvh(figure, {pose}, o));
        };
        Assimp::Importer a, b;
        const aiScene* straight = a.ReadFile(write(MotionOptions{}, gltf ? "s.glb" : "s.bvh"), 0);
        const aiScene* quarter = b.ReadFile(write(turned, gltf ? "q.glb" : "q.bvh"), 0);
        ASSERT_TRUE(straight && quarter);
        std::map<std::string, Point3d> expected;
        for (const auto& [name, p] : ImportedJoints(*straight, 0))
            expected[name] = {p.z, p.y, -p.x};
        ExpectSameJoints(expected, ImportedJoints(*quarter, 0), kTolerance, gltf ? "glb" : "bvh");
    }
}

// A recording played on a figure of other proportions (the same body built 1.3 times as large)
// turns every segment about that figure's own joints: in every frame, each joint centre is where
// its parent puts it, worked out here from the frame's matrices.
TEST_F(ExportTest, PlaybackOnAnotherFigureKeepsEveryJointOnItsParent) {
    test::TempDir dir;
    const std::string walk = Record(dir);
    Figure larger;
    larger.Build(doc.Tables(), 1.3f, doc.ModelCentre());
    std::string error;
    const auto frames = PlaybackFrames(larger, walk, &error);
    ASSERT_TRUE(frames) << error;
    ASSERT_EQ(frames->size(), 23u);
    double worst = 0;
    for (const PoseFrame& frame : *frames) {
        std::array<std::array<double, 16>, kMaxSegments> world{};
        for (const TreeNode& node : FigureTreeTable()) {
            const auto s = static_cast<std::size_t>(node.segment);
            std::array<double, 16> local;
            std::copy(frame[s].m.begin(), frame[s].m.end(), local.begin());
            if (node.parent < 0) {
                world[s] = local;
                continue;
            }
            const auto& parent = world[static_cast<std::size_t>(node.parent)];
            for (int c = 0; c < 4; ++c)
                for (int r = 0; r < 4; ++r) {
                    double v = 0;
                    for (int k = 0; k < 4; ++k)
                        v += parent[static_cast<std::size_t>(4 * k + r)] *
                             local[static_cast<std::size_t>(4 * c + k)];
                    world[s][static_cast<std::size_t>(4 * c + r)] = v;
                }
            const Point3d j = *larger.Pose(node.segment).m_pJointCentre;
            auto at = [&](const std::array<double, 16>& m) {
                return Point3d{m[0] * j.x + m[4] * j.y + m[8] * j.z + m[12],
                               m[1] * j.x + m[5] * j.y + m[9] * j.z + m[13],
                               m[2] * j.x + m[6] * j.y + m[10] * j.z + m[14]};
            };
            const Point3d apart = at(world[s]) - at(parent);
            worst = std::max(worst, std::sqrt(Dot(apart, apart)));
        }
    }
    EXPECT_LT(worst, 1e-5);
}

// Key frames edited in the file: it reads and writes back to the byte; after an insert, a
// replacement and a deletion the player's last step before every key frame lands on it (the
// increments were worked out again), and the edited key frames are where playback shows them.
TEST_F(ExportTest, EditedKeyFramesPlayIntoEachOther) {
    test::TempDir dir;
    const std::string walk = Record(dir);
    const std::string text = test::ReadAll(walk);
    std::string error;
    auto set = ParseKeyFrames(text, figure.SegmentCount(), &error);
    ASSERT_TRUE(set) << error;
    ASSERT_EQ(set->keys.size(), 3u);
    EXPECT_EQ(FormatKeyFrames(*set), text);

    Matrix4 scene;
    PoseEverything(17);
    const KeyFrame inserted = CurrentKeyFrame(figure, 0, 0, scene);
    InsertKeyFrame(*set, 1, inserted, figure);
    PoseEverything(-23);
    ReplaceKeyFrame(*set, 3, CurrentKeyFrame(figure, 0, 0, scene), figure);
    DeleteKeyFrame(*set, 2, figure);
    ASSERT_EQ(set->keys.size(), 3u);
    const std::string edited = dir.Write("edited.amt", FormatKeyFrames(*set));
    const auto frames = PlaybackFrames(figure, edited, &error);
    ASSERT_TRUE(frames) << error;
    ASSERT_EQ(frames->size(), 23u);
    for (std::size_t k = 1; k < 3; ++k)
        for (int s = 0; s < figure.SegmentCount(); ++s)
            for (int i = 0; i < 16; ++i)
                EXPECT_NEAR((*frames)[11 * k - 1][static_cast<std::size_t>(s)][i],
                            (*frames)[11 * k][static_cast<std::size_t>(s)][i], 2e-4)
                    << "key " << k << " segment " << s << " value " << i;
    for (int i = 0; i < 16; ++i) // as stored, to the file's six digits
        EXPECT_NEAR((*frames)[11][4][i], inserted.matrices[4][i], 1e-5);
}
