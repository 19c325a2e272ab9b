#include "JointMath.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace figurant;

namespace {

void ExpectNear(const Point3d& a, const Point3d& b, double eps = 1e-5) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

TEST(DragRotation, SignFollowsTheFirstSelectedSegment) {
    const Point3d J{0.5, -0.2, 0.3};
    for (auto [first, sign] : {std::pair{5, 1}, std::pair{4, -1}, std::pair{15, 1}, std::pair{0, -1}}) {
        const Matrix4 D = DragRotation(J, first, 10, 0, 0);
        Matrix4 R;
        MakeRotation(static_cast<float>(10 * sign), 1, 0, 0, R);
        const Matrix4 expected = AboutPoint(J, R);
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(D[i], expected[i], 1e-6) << first;
        ExpectNear(TransformPoint3(D, J), J);
    }
    const Matrix4 none = DragRotation(J, 4, 0, 0, 0);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(none[i], Matrix4::Identity()[i], 1e-6);
}

Matrix4 Turned(float a, float b, float c) {
    Matrix4 m, r;
    MakeRotation(c, 0, 0, 1, r);
    MultMatrix(m, r);
    MakeRotation(b, 0, 1, 0, r);
    MultMatrix(m, r);
    MakeRotation(a, 1, 0, 0, r);
    MultMatrix(m, r);
    return m;
}

// The angles shown give back the turn they were read from, right angles and beyond included; a
// turn about one axis shows as that axis's angle alone, wrapped into (-180, 180].
TEST(TurnAngles, GiveBackTheTurnAndTheKeysAngle) {
    const float rows[][3] = {{20, 35, -50}, {0, -140, 0}, {0, 90, 0},  {30, 90, 0},     {10, -90, 40},
                             {170, 0, 0},   {0, 0, -170}, {0, 180, 0}, {-120, 60, 100}, {45, 100, -30}};
    for (const auto& r : rows) {
        const Matrix4 m = Turned(r[0], r[1], r[2]);
        const std::array<float, 3> a = TurnAngles(m);
        const Matrix4 back = Turned(a[0], a[1], a[2]);
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(back[i], m[i], 1e-4) << r[0] << " " << r[1] << " " << r[2];
    }
    for (int k = -35; k <= 36; ++k)
        for (int axis = 0; axis < 3; ++axis) {
            float turn[3] = {0, 0, 0};
            turn[axis] = 10.0f * static_cast<float>(k);
            const std::array<float, 3> a = TurnAngles(Turned(turn[0], turn[1], turn[2]));
            const float expected = std::remainder(turn[axis], 360.0f);
            for (int i = 0; i < 3; ++i) {
                // A half turn reads the same as 180 or -180.
                const float shown = std::abs(expected) > 179.99f ? std::abs(a[i]) : a[i];
                EXPECT_NEAR(shown, i == axis ? std::abs(expected) > 179.99f ? 180.0f : expected : 0.0f, 2e-3)
                    << "axis " << axis << " turn " << turn[axis];
            }
        }
}

TEST(BoneTwist, ProportionalAlongTheBone) {
    const Point3d J{0, 0, 0}, Jc{0, 0, -1};
    const BoneTwist twist(J, Jc, 4.0f);
    // In the plane through J nothing moves; at Jc's plane the full step, halfway half of it.
    ExpectNear(twist.Apply({0.1, 0, 0}), {0.1, 0, 0});
    Matrix4 full, half;
    MakeRotation(4, 0, 0, -1, full);
    MakeRotation(2, 0, 0, -1, half);
    ExpectNear(twist.Apply({0.1, 0, -1}), TransformPoint3(AboutPoint(Jc, full), {0.1, 0, -1}));
    ExpectNear(twist.Apply({0.1, 0, -0.5}), TransformPoint3(AboutPoint(J, half), {0.1, 0, -0.5}));
    // Twists add up: 4 then -4 restores, and the child's turn keeps Jc fixed.
    const BoneTwist back(J, Jc, -4.0f);
    const Point3d p{0.05, 0.07, -0.3};
    ExpectNear(back.Apply(twist.Apply(p)), p);
    ExpectNear(TransformPoint3(twist.ChildTurn(), Jc), Jc);
}

TEST(BoneTwist, PointAndNormalTogetherTurnAsTheMatrixDoes) {
    const BoneTwist twist({0.1, 0.9, 0.05}, {0.12, 0.45, 0.1}, 37.0f);
    for (const Point3d p : {Point3d{0.2, 0.8, 0.1}, Point3d{0.05, 0.6, 0.0}, Point3d{0.14, 0.3, 0.2}}) {
        const Vec3f n{0.6f, 0.0f, 0.8f};
        const BoneTwist::Turn turn = twist.TurnFor(p);
        ExpectNear(twist.Apply(p, turn), twist.Apply(p));
        const Vec3f m = twist.TurnDirection(turn, n);
        const Vec3f expected = twist.TurnDirection(p, n);
        EXPECT_NEAR(m.x, expected.x, 1e-6);
        EXPECT_NEAR(m.y, expected.y, 1e-6);
        EXPECT_NEAR(m.z, expected.z, 1e-6);
    }
}

} // namespace
