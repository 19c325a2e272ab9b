#include "FigureTree.h"

#include <gtest/gtest.h>
#include <memory>

using namespace figurant;

namespace {

class TreeTest : public testing::Test {
  protected:
    SegmentPose& At(int i) { return (*pose)[static_cast<std::size_t>(i)]; }
    void Give(int segment, std::vector<Point3d> points) {
        int id = 100 * segment;
        for (const Point3d& p : points)
            At(segment).AddVertexIfNew(p, id++);
    }
    std::unique_ptr<PoseArray> pose = std::make_unique<PoseArray>();
};

TEST_F(TreeTest, SquareRingOrderAndCentre) {
    const Point3d A{1, 0, 0}, B{0, 1, 0}, C{-1, 0, 0}, D{0, -1, 0};
    Give(1, {{5, 5, 5}, A, B, C, D});
    Give(4, {A, B, C, D, {0, 0, -3}});
    BuildFigureTree(*pose, 16);
    const SegmentPose& p = At(4);
    ASSERT_TRUE(p.m_pJointCentre);
    EXPECT_EQ(*p.m_pJointCentre, (Point3d{0, 0, 0}));
    EXPECT_EQ(p.m_restRing, (std::vector<Point3d>{B, A, D, C}));
    EXPECT_EQ(p.m_parentRing, p.m_restRing);
    EXPECT_EQ(p.m_childRing, p.m_restRing);
    EXPECT_EQ(p.m_ringNormalIds, (std::vector<int>{401, 400, 403, 402}));
}

TEST_F(TreeTest, OneAndTwoPointRings) {
    Give(1, {{1, 1, 1}, {2, 0, 0}, {4, 0, 0}, {9, 9, 9}});
    Give(0, {{1, 1, 1}});
    Give(3, {{2, 0, 0}, {4, 0, 0}});
    BuildFigureTree(*pose, 16);
    EXPECT_EQ(*At(0).m_pJointCentre, (Point3d{1, 1, 1}));
    EXPECT_EQ(At(0).m_restRing.size(), 1u);
    EXPECT_EQ(*At(3).m_pJointCentre, (Point3d{3, 0, 0}));
    EXPECT_EQ(At(3).m_restRing.size(), 2u);
}

TEST_F(TreeTest, TreeLinksRootAndSegmentTwo) {
    Give(1, {{0, 0, 0}});
    Give(2, {{0, 0, 0}});
    BuildFigureTree(*pose, 16);
    EXPECT_FALSE(At(1).m_pJointCentre);
    EXPECT_FALSE(At(2).m_pJointCentre);
    EXPECT_EQ(At(2).m_pParent, nullptr);
    EXPECT_EQ(At(2).m_nChildren, 0);
    EXPECT_EQ(At(1).m_nChildren, 4);
    std::vector<int> children;
    for (auto* c : At(1).m_pChildren)
        children.push_back(c->m_nSegment);
    EXPECT_EQ(children, (std::vector<int>{0, 3, 4, 5}));
    EXPECT_EQ(At(15).m_pParent, &At(13));
}

TEST_F(TreeTest, BuildTwiceResetsMatricesAndKeepsRings) {
    Give(1, {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}});
    Give(4, {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 2}});
    BuildFigureTree(*pose, 16);
    const auto ring = At(4).m_restRing;
    At(4).m_matrix[12] = 5;
    BuildFigureTree(*pose, 16);
    EXPECT_EQ(At(4).m_matrix, Matrix4::Identity());
    EXPECT_EQ(At(4).m_restRing, ring);
}

TEST_F(TreeTest, UpdateChildRingIdentityAndTranslation) {
    SegmentPose& p = At(6);
    p.m_restRing = {{1, 2, 3}, {-1, 0.5, 2}};
    p.UpdateChildRing();
    EXPECT_EQ(p.m_childRing, p.m_restRing);
    p.m_matrix = Matrix4::Translation(1, -1, 0.5f);
    p.UpdateChildRing();
    EXPECT_EQ(p.m_childRing, (std::vector<Point3d>{{2, 1, 3.5}, {0, -0.5, 2.5}}));
    EXPECT_EQ(p.m_restRing[0], (Point3d{1, 2, 3}));
}

TEST_F(TreeTest, EqualKeysKeepDetectionOrder) {
    // Two ring points on the same ray from the centre share one key.
    SegmentPose& p = At(4);
    p.m_pJointCentre = Point3d{0, 0, 0};
    p.m_childRing = {{1, 0, 0}, {0, 1, 0}, {0, 2, 0}, {-1, 0, 0}};
    p.m_ringNormalIds = {0, 1, 2, 3};
    p.SortJointRing();
    EXPECT_EQ(p.m_ringNormalIds, (std::vector<int>{1, 2, 0, 3}));
}

} // namespace
