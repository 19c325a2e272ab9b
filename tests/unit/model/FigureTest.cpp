// The figure model without a window: its build, the pose operations, and undo and redo exact to
// the bit, on the generated default model.
#include "DefaultFigureTest.h"
#include "SegmentNames.h"
#include "SegmentVertices.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>

namespace figurant {
inline bool operator==(const Vec3f& a, const Vec3f& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
} // namespace figurant

using namespace figurant;

namespace {

// Everything of a figure that posing may change, for comparisons to the bit.
struct State {
    std::vector<Matrix4> matrices;
    std::vector<std::array<float, 3>> rotInc, transInc;
    std::vector<std::vector<Point3d>> vertices, parentRings, childRings;
    std::vector<std::vector<Vec3f>> points, normals;
    bool operator==(const State& o) const {
        return matrices == o.matrices && rotInc == o.rotInc && transInc == o.transInc &&
               vertices == o.vertices && parentRings == o.parentRings && childRings == o.childRings &&
               points == o.points && normals == o.normals;
    }
};

State Capture(const Figure& f) {
    State s;
    for (int i = 0; i < f.SegmentCount(); ++i) {
        const SegmentPose& p = f.Pose(i);
        s.matrices.push_back(p.m_matrix);
        s.rotInc.push_back(p.m_rotInc);
        s.transInc.push_back(p.m_transInc);
        s.vertices.push_back(f.Vertices(i));
        s.parentRings.push_back(p.m_parentRing);
        s.childRings.push_back(p.m_childRing);
        s.points.push_back(f.Points(i));
        s.normals.push_back(f.Shape(i).twisted.normals);
    }
    return s;
}

// A vertex where it is drawn: down the figure tree from the root.
Point3d Placed(const Figure& f, int segment, const Point3d& v) {
    std::vector<const SegmentPose*> chain;
    for (const SegmentPose* p = &f.Pose(segment); p; p = p->m_pParent)
        chain.push_back(p);
    Point3d q = v;
    for (const SegmentPose* p : chain)
        q = TransformPoint3(p->m_matrix, q);
    return q;
}

double MaxPlacedDistance(const Figure& a, const Figure& b) {
    double worst = 0;
    for (int s = 0; s < a.SegmentCount(); ++s) {
        if (s == 2) continue;
        const std::vector<Point3d> va = a.Vertices(s), vb = b.Vertices(s);
        for (std::size_t k = 0; k < va.size(); ++k) {
            const Point3d p = Placed(a, s, va[k]);
            const Point3d q = Placed(b, s, vb[k]);
            worst = std::max({worst, std::fabs(p.x - q.x), std::fabs(p.y - q.y), std::fabs(p.z - q.z)});
        }
    }
    return worst;
}

class FigureTest : public test::DefaultFigureTest {
  protected:
    void Select(std::initializer_list<int> segments) {
        figure.ClearSelection();
        for (int s : segments)
            figure.Pick(s, true);
    }
    void Key(PoseKeyStep::Kind kind, int axis, float amount) {
        figure.ApplyPoseKey({kind, axis, amount}, 0.17f);
    }
};

TEST_F(FigureTest, BuildGivesTheRecordsOfTheViewsBuild) {
    auto pose = std::make_unique<PoseArray>();
    const SegmentTables& t = doc->Tables();
    for (int s = 0; s < t.nSegments; ++s)
        CollectSegmentVertices(t.lines[static_cast<std::size_t>(s)], t.firstIds[static_cast<std::size_t>(s)],
                               1.0f, doc->ModelCentre(), (*pose)[static_cast<std::size_t>(s)]);
    BuildFigureTree(*pose, t.nSegments);
    ASSERT_EQ(figure.SegmentCount(), 16);
    for (int s = 0; s < 16; ++s) {
        const SegmentPose& a = figure.Pose(s);
        const SegmentPose& b = (*pose)[static_cast<std::size_t>(s)];
        EXPECT_EQ(figure.Vertices(s), b.m_vertices) << s;
        EXPECT_EQ(a.m_restRing, b.m_restRing) << s;
        EXPECT_EQ(a.m_ringNormalIds, b.m_ringNormalIds) << s;
        EXPECT_EQ(a.m_pJointCentre.has_value(), b.m_pJointCentre.has_value()) << s;
    }
}

// Every kind of change, at random, then as many undos: the figure is back to the bit; redo gives
// the posed figure back to the bit.
TEST_F(FigureTest, UndoAndRedoOfARandomSessionAreExact) {
    const State rest = Capture(figure);
    std::mt19937 random(11);
    const PoseKeyStep::Kind kinds[] = {PoseKeyStep::Turn, PoseKeyStep::Move, PoseKeyStep::Twist};
    for (int i = 0; i < 120; ++i) {
        const int op = static_cast<int>(random() % 10);
        const int segment = static_cast<int>(random() % 16);
        if (op < 6) {
            Select({segment, static_cast<int>(random() % 16)});
            Key(kinds[random() % 3], static_cast<int>(random() % 3), random() % 2 ? 10.0f : -4.0f);
        } else if (op < 8) {
            Select({segment});
            figure.BeginDrag();
            for (int k = 0; k < 3; ++k)
                figure.Drag(static_cast<int>(random() % 7) - 3, 0, static_cast<int>(random() % 9) - 4);
            figure.EndDrag();
        } else if (op == 8) {
            Select({4 + static_cast<int>(random() % 12)});
            figure.MirrorPose();
        } else {
            figure.FlipPose();
        }
    }
    const State posed = Capture(figure);
    ASSERT_FALSE(posed == rest);
    int undone = 0;
    while (figure.CanUndo()) {
        figure.Undo();
        ++undone;
    }
    EXPECT_GT(undone, 60);
    EXPECT_TRUE(Capture(figure) == rest);
    while (figure.CanRedo())
        figure.Redo();
    EXPECT_TRUE(Capture(figure) == posed);
}

TEST_F(FigureTest, StepsAreNamedAfterTheSelectionAndANewChangeClearsRedo) {
    Select({7});
    Key(PoseKeyStep::Turn, 2, 10);
    EXPECT_EQ(figure.UndoName(), "Turn Left Forearm");
    Select({4, 6, 10});
    Key(PoseKeyStep::Twist, 0, 4);
    EXPECT_EQ(figure.UndoName(), "Twist 3 segments");
    figure.Undo();
    EXPECT_EQ(figure.RedoName(), "Twist 3 segments");
    Select({0});
    Key(PoseKeyStep::Move, 1, 1);
    EXPECT_FALSE(figure.CanRedo());
    // A key in the middle of a drag ends the drag's step; the rest of the drag is a step of its own.
    Select({6});
    figure.BeginDrag();
    figure.Drag(4, 0, 0);
    Key(PoseKeyStep::Turn, 2, 10);
    figure.Drag(4, 0, 0);
    figure.EndDrag();
    const Matrix4 dragged = figure.Pose(6).m_matrix;
    figure.Undo();
    EXPECT_FALSE(figure.Pose(6).m_matrix == dragged);
    EXPECT_EQ(figure.UndoName(), "Turn Right Forearm");
    figure.Redo();
    EXPECT_TRUE(figure.Pose(6).m_matrix == dragged);
    // A key that changes nothing (a turn of the root, which has no joint) leaves no step.
    Select({2});
    const std::string before = figure.UndoName();
    Key(PoseKeyStep::Twist, 0, 4);
    EXPECT_EQ(figure.UndoName(), before);
}

TEST_F(FigureTest, MirrorIsIdempotentAndFlipTwiceRestoresEveryVertex) {
    Select({5});
    Key(PoseKeyStep::Turn, 2, 10);
    Key(PoseKeyStep::Turn, 0, -10);
    Select({7});
    Key(PoseKeyStep::Twist, 0, 4);
    Key(PoseKeyStep::Turn, 1, 10);
    Select({11, 13});
    Key(PoseKeyStep::Turn, 0, 10);
    Select({0});
    Key(PoseKeyStep::Turn, 2, 10);
    Select({7});
    ASSERT_TRUE(figure.MirrorPose());
    const State mirrored = Capture(figure);
    // The right forearm now turns as the left one does, mirrored: about its own joint centre.
    const SegmentPose& right = figure.Pose(6);
    const Point3d J = *right.m_pJointCentre, moved = TransformPoint3(right.m_matrix, J);
    EXPECT_NEAR(moved.x, J.x, 1e-5);
    EXPECT_NEAR(moved.z, J.z, 1e-5);
    EXPECT_EQ(figure.Shape(6).twisted.angle, -4.0f);
    ASSERT_TRUE(figure.MirrorPose());
    EXPECT_TRUE(Capture(figure) == mirrored);

    // Lopsided again, then flipped twice: back to float accuracy.
    Select({10});
    Key(PoseKeyStep::Twist, 0, 4);
    Key(PoseKeyStep::Turn, 1, -10);
    const State lopsided = Capture(figure);
    figure.FlipPose();
    EXPECT_FALSE(Capture(figure) == lopsided);
    figure.FlipPose();
    const State flipped = Capture(figure);
    EXPECT_EQ(flipped.matrices.size(), lopsided.matrices.size());
    for (std::size_t s = 0; s < flipped.matrices.size(); ++s)
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(flipped.matrices[s][i], lopsided.matrices[s][i], 2e-5) << s << " " << i;
    for (std::size_t s = 0; s < flipped.vertices.size(); ++s)
        for (std::size_t k = 0; k < flipped.vertices[s].size(); ++k)
            EXPECT_NEAR(flipped.vertices[s][k].x, lopsided.vertices[s][k].x, 1e-5) << s;
}

TEST_F(FigureTest, ResetEqualsAFreshBuildAndIsUndoable) {
    Select({10});
    Key(PoseKeyStep::Twist, 0, 4);
    Key(PoseKeyStep::Turn, 2, 10);
    Select({6, 0});
    figure.BeginDrag();
    figure.Drag(5, 0, 3);
    figure.EndDrag();
    const State posed = Capture(figure);
    figure.ResetPose();
    Figure fresh;
    Build(fresh);
    EXPECT_TRUE(Capture(figure) == Capture(fresh));
    EXPECT_EQ(MaxPlacedDistance(figure, fresh), 0.0);
    figure.Undo();
    EXPECT_TRUE(Capture(figure) == posed);
}

TEST_F(FigureTest, UndoAfterASaveTakesTheStepOutOfTheNewIncrements) {
    Select({4});
    Key(PoseKeyStep::Turn, 2, 10);
    Key(PoseKeyStep::Turn, 2, 10);
    // A save writes the increments and clears them.
    figure.Pose(4).m_rotInc = {0, 0, 0};
    figure.NoteIncrementsSaved();
    figure.Undo();
    EXPECT_EQ(figure.Pose(4).m_rotInc[2], -10.0f);
    figure.Redo();
    EXPECT_EQ(figure.Pose(4).m_rotInc[2], 0.0f);
}

TEST_F(FigureTest, JointAnglesFollowThePoseKeys) {
    Select({7});
    Key(PoseKeyStep::Turn, 2, 10);
    Key(PoseKeyStep::Turn, 2, 10);
    auto a = figure.JointAngles(7);
    EXPECT_NEAR(a[0], 0, 1e-4);
    EXPECT_NEAR(a[2], 20, 1e-4);
    Key(PoseKeyStep::Turn, 0, -10);
    a = figure.JointAngles(7);
    EXPECT_NEAR(a[0], -10, 1e-3);
}

TEST(SegmentNames, EvenNumbersAreTheFiguresRight) {
    EXPECT_EQ(SegmentName(0), "Head");
    EXPECT_EQ(SegmentName(6), "Right Forearm");
    EXPECT_EQ(SegmentName(15), "Left Foot");
    EXPECT_EQ(SegmentName(21), "Segment 21");
    EXPECT_EQ(MirrorPartner(12), 13);
    EXPECT_EQ(MirrorPartner(9), 8);
    EXPECT_FALSE(MirrorPartner(1));
    EXPECT_FALSE(MirrorPartner(3));
    EXPECT_TRUE(IsLeftSide(11));
    EXPECT_FALSE(IsLeftSide(10));
}

} // namespace

// A figure keeps the model and the normals it was built with when the document reads new ones (the
// sanitizer run would catch a figure reading freed polylines or normals): its twists stay what they
// were.
TEST(FigureNormals, AFigureOutlivesTheDocumentsModelAndNormals) {
    CKvtDoc doc;
    doc.Load(test::DefaultModelPath(), test::DefaultNormalsPath());
    doc.BuildHierarchy();
    Figure figure;
    figure.Build(doc.Tables(), 1.0f, doc.ModelCentre());
    figure.Pick(10, false);
    figure.ApplyPoseKey({PoseKeyStep::Twist, 0, 10.0f}, 0);
    const std::vector<Vec3f> before = figure.Shape(10).twisted.normals;
    const std::vector<Vec3f> points = figure.Points(10);
    figure.Undo();
    doc.Load(test::DefaultModelPath(), test::DefaultNormalsPath());
    figure.Redo();
    ASSERT_FALSE(before.empty());
    const std::vector<Vec3f> after = figure.Points(10);
    ASSERT_EQ(after.size(), points.size());
    EXPECT_EQ(std::memcmp(after.data(), points.data(), points.size() * sizeof(Vec3f)), 0);
    EXPECT_EQ(
        std::memcmp(before.data(), figure.Shape(10).twisted.normals.data(), before.size() * sizeof(Vec3f)),
        0);
}
