#include <gtest/gtest.h>

#include "base/Matrix.h"

namespace korvan {
namespace {

TEST(Matrix, CofactorInverseOfGeneral3x3TimesItselfIsIdentity) {
    Mat3 a{{{2, -1, 0}, {1, 3, 4}, {0.5, 2, -2}}};
    Mat3 inv;
    ASSERT_TRUE(InvertByCofactors(a, inv));
    Mat3 p = a * inv;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(p.m[i][j], i == j ? 1 : 0, 1e-14);
}

TEST(Matrix, CofactorInverseOf4x4TimesItselfIsIdentity) {
    Mat4 a{{{2, 0, 1, 3}, {1, 4, 0, -1}, {0, 2, 5, 1}, {1, 1, 1, 2}}};
    Mat4 inv;
    ASSERT_TRUE(InvertByCofactors(a, inv));
    Mat4 p = a * inv;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(p.m[i][j], i == j ? 1 : 0, 1e-14);
}

TEST(Matrix, InverseFailsOnZeroOrNanDeterminantAndLeavesOutputAlone) {
    Mat3 singular{{{1, 2, 3}, {2, 4, 6}, {0, 1, 1}}};
    Mat3 nan3{{{NAN, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    Mat4 singular4;  // all zero
    Mat3 out = Mat3::Identity();
    Mat4 out4 = Mat4::Identity();
    EXPECT_FALSE(InvertByCofactors(singular, out));
    EXPECT_FALSE(InvertByCofactors(nan3, out));
    EXPECT_FALSE(InvertByCofactors(singular4, out4));
    EXPECT_EQ(out.m[0][0], 1);
    EXPECT_EQ(out.m[0][1], 0);
    EXPECT_EQ(out4.m[3][3], 1);
}

TEST(Matrix, AffineTransformAppliesRotationThenTranslation) {
    Mat4 a{{{0, -1, 0, 1}, {1, 0, 0, 2}, {0, 0, 1, 3}, {0, 0, 0, 1}}};
    EXPECT_EQ(TransformPoint(a, {1, 0, 0}), (Vec3{1, 3, 3}));
    EXPECT_EQ(TransformVector(a, {1, 0, 0}), (Vec3{0, 1, 0}));
}

}  // namespace
}  // namespace korvan
