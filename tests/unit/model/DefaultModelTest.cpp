// The generated default model, read back through the document's load and the figure builder.
#include "DefaultModel.h"
#include "Body.h"
#include "BodyDesign.h"
#include "Figure.h"
#include "KvtDoc.h"
#include "ModelFiles.h"
#include "NormalsReader.h"
#include "SegmentVertices.h"
#include "TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <tuple>

using namespace figurant;

namespace {

using Key = std::tuple<float, float, float>;
Key KeyOf(const Vec3f& v) {
    return {v.x, v.y, v.z};
}

class DefaultModel : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        doc = new CKvtDoc();
        doc->Load(test::DefaultModelPath(), test::DefaultNormalsPath());
    }
    void SetUp() override { ASSERT_TRUE(doc->Model()) << "the build writes " << test::DefaultModelPath(); }
    static void TearDownTestSuite() {
        delete doc;
        doc = nullptr;
    }
    // A point of the design (metres; right, up, forward) in the document's centred axes: the
    // axis swap gives (-right, -forward, up), and the load centres the generated surface's box.
    static Vec3f FromDesign(mannequin::V3 p) {
        static const mannequin::V3 centre = [] {
            const mannequin::Mesh mesh = mannequin::BuildBody(1);
            mannequin::V3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
            for (const auto& q : mesh.Positions()) {
                const mannequin::V3 d{-q.z, -q.x, q.y};
                lo = {std::min(lo.x, d.x), std::min(lo.y, d.y), std::min(lo.z, d.z)};
                hi = {std::max(hi.x, d.x), std::max(hi.y, d.y), std::max(hi.z, d.z)};
            }
            return 0.5 * (lo + hi);
        }();
        return {static_cast<float>(-p.x - centre.x), static_cast<float>(-p.z - centre.y),
                static_cast<float>(p.y - centre.z)};
    }
    static CKvtDoc* doc;
};
CKvtDoc* DefaultModel::doc = nullptr;

TEST_F(DefaultModel, LoadsWithSixteenSegmentsAndMatchingNormals) {
    ASSERT_TRUE(doc->Model()) << "run the build first: " << test::DefaultModelPath();
    EXPECT_EQ(doc->SegmentNumbers().size(), 15u);
    EXPECT_EQ(doc->SegmentCount(), 16);
    EXPECT_TRUE(doc->NormalsReady());
    EXPECT_EQ(static_cast<long>(doc->Normals().size()), doc->ModelVertexCount());
    EXPECT_LE(doc->Model()->GetCount(), 8000);
    const float* b = doc->Model()->m_bounds;
    EXPECT_NEAR(b[5] - b[4], 1.75, 0.01);
    for (const auto& line : *doc->Model()) {
        EXPECT_EQ(line->m_bFace, 1);
        EXPECT_EQ(line->GetSize(), 4);
        EXPECT_NE(line->m_nSegment, 2);
    }
}

TEST_F(DefaultModel, SurfaceIsClosed) {
    std::map<std::pair<Key, Key>, int> edges;
    for (const auto& line : *doc->Model()) {
        std::vector<Key> corners;
        for (const Vec3f& p : line->Points())
            if (corners.empty() || KeyOf(p) != corners.back()) corners.push_back(KeyOf(p));
        for (std::size_t k = 0; k < corners.size(); ++k) {
            const Key a = corners[k], c = corners[(k + 1) % corners.size()];
            ++edges[{std::min(a, c), std::max(a, c)}];
        }
    }
    int open = 0;
    for (const auto& [edge, count] : edges)
        open += count != 2;
    EXPECT_EQ(open, 0);
}

TEST_F(DefaultModel, OnlyParentsAndChildrenShareVertices) {
    std::map<Key, std::set<int>> owners;
    for (const auto& line : *doc->Model())
        for (const Vec3f& p : line->Points())
            owners[KeyOf(p)].insert(line->m_nSegment);
    std::set<std::pair<int, int>> related;
    for (const auto& node : FigureTreeTable())
        if (node.parent >= 0)
            related.insert({std::min(node.segment, node.parent), std::max(node.segment, node.parent)});
    for (const auto& [point, segments] : owners) {
        ASSERT_LE(segments.size(), 2u);
        if (segments.size() == 2) {
            EXPECT_TRUE(related.count({*segments.begin(), *segments.rbegin()}));
        }
    }
}

TEST_F(DefaultModel, EveryJointHasARingAtItsDesignedPlace) {
    doc->BuildHierarchy();
    const Vec3f centre = doc->ModelCentre();
    Figure figure;
    figure.Build(doc->Tables(), 1.0f, centre);
    for (const mannequin::Joint& joint : mannequin::Design().joints) {
        const SegmentPose& child = figure.Pose(joint.child);
        ASSERT_TRUE(child.m_pJointCentre) << "segment " << joint.child;
        EXPECT_GE(child.m_restRing.size(), 12u) << "segment " << joint.child;
        EXPECT_LE(child.m_restRing.size(), 24u) << "segment " << joint.child;
        const Vec3f designed = FromDesign(joint.centre);
        const Point3d c = *child.m_pJointCentre;
        const double d = std::hypot(c.x - (designed.x - centre.x), c.y - (designed.y - centre.y),
                                    c.z - (designed.z - centre.z));
        EXPECT_LT(d, 0.03) << "segment " << joint.child;
    }
}

// The normals as the generator wrote them (the document turns some when it loads them).
TEST_F(DefaultModel, NormalsAgreeWithFacesAndPointAwayFromTheBones) {
    const auto& bones = mannequin::Design().bones;
    const auto written = ReadNormalsFile(test::DefaultNormalsPath());
    ASSERT_TRUE(written);
    std::size_t g = 0;
    int disagreeing = 0, inward = 0;
    for (const auto& line : *doc->Model()) {
        const Vec3f q0 = (*line)[0], q1 = (*line)[1], q2 = (*line)[2];
        const Vec3f a{q1.x - q0.x, q1.y - q0.y, q1.z - q0.z}, c{q2.x - q1.x, q2.y - q1.y, q2.z - q1.z};
        const Vec3f face = CrossF(a, c);
        for (int k = 0; k < 4; ++k, ++g) {
            const Vec3f n = (*written)[g];
            disagreeing += DotF(face, n) <= 0;
            const Vec3f p = (*line)[k];
            double best = 1e9;
            Vec3f away{};
            for (const auto& bone : bones) {
                if (bone.segment != line->m_nSegment) continue;
                const Vec3f from = FromDesign(bone.from), to = FromDesign(bone.to);
                const mannequin::V3 q = mannequin::ClosestOnSegment({p.x, p.y, p.z}, {from.x, from.y, from.z},
                                                                    {to.x, to.y, to.z});
                const mannequin::V3 d{p.x - q.x, p.y - q.y, p.z - q.z};
                if (mannequin::Length(d) < best) {
                    best = mannequin::Length(d);
                    away = {static_cast<float>(d.x), static_cast<float>(d.y), static_cast<float>(d.z)};
                }
            }
            inward += DotF(away, n) <= 0;
        }
    }
    EXPECT_EQ(disagreeing, 0);
    EXPECT_EQ(inward, 0);
}

TEST(Mannequin, SameBytesOnEveryRun) {
    test::TempDir dir;
    for (const char* name : {"a", "b"}) {
        mannequin::Mesh mesh = mannequin::BuildBody(1);
        ASSERT_TRUE(mannequin::WriteModelFiles(mesh, dir.File(std::string(name) + ".dxf"),
                                               dir.File(std::string(name) + ".normal")));
    }
    EXPECT_EQ(test::ReadAll(dir.File("a.dxf")), test::ReadAll(dir.File("b.dxf")));
    EXPECT_EQ(test::ReadAll(dir.File("a.normal")), test::ReadAll(dir.File("b.normal")));
    EXPECT_EQ(test::ReadAll(dir.File("a.dxf")), test::ReadAll(test::DefaultModelPath()));
}

} // namespace
