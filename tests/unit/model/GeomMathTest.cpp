#include "GeomMath.h"

#include <gtest/gtest.h>

using namespace figurant;

namespace {

void ExpectMatrixNear(const Matrix4& a, const Matrix4& b, float eps = 1e-6f) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a[i], b[i], eps) << "index " << i;
}

TEST(MakeRotation, SignAxisAndZeroAxis) {
    Matrix4 m;
    MakeRotation(90, 0, 0, 1, m);
    EXPECT_NEAR(m[1], -1, 1e-6);
    EXPECT_NEAR(m[4], 1, 1e-6);
    Vec4f v{1, 0, 0, 1};
    TransformPoint(m, v);
    EXPECT_NEAR(v[0], 0, 1e-6);
    EXPECT_NEAR(v[1], -1, 1e-6);
    EXPECT_EQ(v[3], 1);

    Matrix4 scaledAxis;
    MakeRotation(90, 0, 0, 5, scaledAxis);
    EXPECT_EQ(scaledAxis, m);

    Matrix4 untouched;
    untouched[12] = 7;
    const Matrix4 before = untouched;
    MakeRotation(30, 0, 0, 0, untouched);
    EXPECT_EQ(untouched, before);
}

TEST(MultMatrix, AliasedOperandsAndTurnAboutPoint) {
    Matrix4 r;
    MakeRotation(30, 1, 2, 3, r);
    Matrix4 expected;
    MultMatrix(r, r, expected);
    Matrix4 a = r;
    MultMatrix(a, a);
    EXPECT_EQ(a, expected);
    Matrix4 b = r;
    MultMatrix(r, b, b);
    EXPECT_EQ(b, expected);

    // T(p) R T(-p) keeps p fixed and turns other points about it.
    Matrix4 m = Matrix4::Translation(1, 2, 3);
    MultMatrix(m, r);
    MultMatrix(m, Matrix4::Translation(-1, -2, -3));
    const Point3d p = TransformPoint3(m, {1, 2, 3});
    EXPECT_NEAR(p.x, 1, 1e-6);
    EXPECT_NEAR(p.y, 2, 1e-6);
    EXPECT_NEAR(p.z, 3, 1e-6);
    const Point3d q = TransformPoint3(Matrix4::Translation(1, 2, 3), {4, 5, 6});
    EXPECT_EQ(q, (Point3d{5, 7, 9}));
}

TEST(MakeRotation, OppositeAnglesCancel) {
    Matrix4 a, b, product;
    MakeRotation(37, 0.3f, -1, 2, a);
    MakeRotation(-37, 0.3f, -1, 2, b);
    MultMatrix(a, b, product);
    ExpectMatrixNear(product, Matrix4::Identity());
}

TEST(Vectors, NormalizeCrossDot) {
    EXPECT_EQ(Normalize(0, 0, 0), (Point3d{0, 0, 0}));
    const Point3d n = Normalize(3, 0, 4);
    EXPECT_DOUBLE_EQ(n.x, 0.6);
    EXPECT_DOUBLE_EQ(n.z, 0.8);
    EXPECT_EQ(Normalize(1e-6, 0, 0), (Point3d{1e-6, 0, 0}));
    EXPECT_EQ(Cross({1, 0, 0}, {0, 1, 0}), (Point3d{0, 0, 1}));
    EXPECT_DOUBLE_EQ(Dot({1, 2, 3}, {4, 5, 6}), 32);
    Vec3f v{0, 3, 4};
    const Vec3f copy = NormalizeF(v);
    EXPECT_FLOAT_EQ(v.y, 0.6f);
    EXPECT_FLOAT_EQ(copy.z, 0.8f);
    Vec3f tiny{1e-7f, 0, 0};
    NormalizeF(tiny);
    EXPECT_FLOAT_EQ(tiny.x, 1e-7f);
    const Vec3f c = CrossF({0, 1, 0}, {0, 0, 1});
    EXPECT_FLOAT_EQ(c.x, 1);
    EXPECT_FLOAT_EQ(LengthF({3, 4, 0}), 5);
}

} // namespace
