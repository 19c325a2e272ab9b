#include "Trackball.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace figurant;

namespace {

TEST(Trackball, EqualPointsGiveIdentityAndAddingItChangesNothing) {
    Quat q;
    Trackball(q, 0.3f, -0.2f, 0.3f, -0.2f);
    EXPECT_EQ(q, (Quat{0, 0, 0, 1}));
    const Quat a{0.1f, 0.2f, 0.3f, std::sqrt(1 - 0.14f)};
    Quat dest;
    int additions = 0;
    AddQuats(q, a, dest, additions);
    EXPECT_EQ(dest, a);
}

TEST(Trackball, ProjectionRimAndClamp) {
    const float r = 1.0f;
    const float rim = static_cast<float>(0.7071067811865476);
    // At the rim the hyperbolic sheet is used: t^2 / d.
    const double t = 0.7071067811865475;
    EXPECT_FLOAT_EQ(ProjectToSphere(r, rim, 0), static_cast<float>(t * t / rim));
    EXPECT_FLOAT_EQ(ProjectToSphere(r, 0, 0), 1.0f);
    Quat q;
    Trackball(q, -1, 0, 3, 0);
    EXPECT_NEAR(q[3], 0, 1e-6); // a half turn
}

TEST(Trackball, NoNanWhenPointsShareARay) {
    Quat q;
    Trackball(q, 0.1f, 0.1f, 0.2f, 0.2f);
    for (float c : q)
        EXPECT_FALSE(std::isnan(c));
}

TEST(Trackball, RenormalisesOnThe98thAddition) {
    int additions = 0;
    Quat q{0, 0, 0, 1.01f};
    const Quat id{0, 0, 0, 1};
    for (int i = 0; i < 97; ++i)
        AddQuats(id, q, q, additions);
    EXPECT_FLOAT_EQ(q[3], 1.01f);
    AddQuats(id, q, q, additions);
    EXPECT_FLOAT_EQ(q[3], 1.01f / (1.01f * 1.01f));
    EXPECT_EQ(additions, 0);
}

TEST(Trackball, RotationMatrix) {
    float m[16];
    const float s = std::sqrt(0.5f);
    BuildRotMatrix(m, {0, 0, s, s}); // 90 degrees about z
    EXPECT_NEAR(m[0], 0, 1e-6);
    EXPECT_NEAR(m[1], -1, 1e-6);
    EXPECT_NEAR(m[4], 1, 1e-6);
    EXPECT_EQ(m[15], 1);
}

} // namespace
