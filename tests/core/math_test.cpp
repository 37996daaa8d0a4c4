// Matrix and vector math checked against values worked out by hand or with
// exact fractions, not against the module itself.
#include <gtest/gtest.h>

#include <cmath>

#include "math/math.h"

namespace {

Matrix4 Rows(std::initializer_list<float> v) {
    float f[16];
    int i = 0;
    for (float x : v) f[i++] = x;
    return Matrix4::FromFloats(f);
}

void ExpectMatrixNear(const Matrix4& actual, const Matrix4& expected, float tol) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tol) << "element [" << r << "][" << c << "]";
}

bool AllFinite(const Matrix4& m) {
    for (int i = 0; i < 16; ++i)
        if (!std::isfinite(m.Data()[i])) return false;
    return true;
}

// A = rows below; its inverse and determinant computed with exact fractions.
const Matrix4 kA = Rows({2, 1, 0, 3, 0, 1, 4, 1, 1, 0, 2, 0, 3, 2, 1, 1});
const Matrix4 kInvA = Rows({1.f / 17, -5.f / 17, 9.f / 17, 2.f / 17,     //
                            -9.f / 34, 11.f / 34, -15.f / 17, 8.f / 17,  //
                            -1.f / 34, 5.f / 34, 4.f / 17, -1.f / 17,    //
                            13.f / 34, 3.f / 34, -1.f / 17, -4.f / 17});

}  // namespace

TEST(Matrix4, StartsAsIdentityAndStoresRowByRow) {
    Matrix4 m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(m.m[r][c], r == c ? 1.0f : 0.0f);
    const Matrix4 a = Rows({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    EXPECT_EQ(a.m[1][2], 6.0f);
    EXPECT_EQ(a.m[3][0], 12.0f);
    float back[16];
    a.ToFloats(back);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(back[i], static_cast<float>(i));
}

TEST(MultiplyMatrix, IsTheRowByColumnProduct) {
    const Matrix4 b = Rows({1, -2, 0, 1, 3, 0, 1, 2, 0, 1, -1, 0, 2, 2, 0, 1});
    // Worked out by hand: row i of A times column j of B.
    const Matrix4 expected = Rows({11, 2, 1, 7, 5, 6, -3, 3, 1, 0, -2, 1, 11, -3, 1, 8});
    ExpectMatrixNear(MultiplyMatrix(kA, b), expected, 0.0f);
}

TEST(MultiplyMatrix, ComposesLeftToRight) {
    // Scale by 2 first, then translate by (1, 2, 3): a point (1, 1, 1) goes to (3, 4, 5).
    const Matrix4 scale = Rows({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1});
    const Matrix4 move = Rows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1});
    const Vector4 p = TransformRow({1, 1, 1, 1}, MultiplyMatrix(scale, move));
    EXPECT_FLOAT_EQ(p.x, 3);
    EXPECT_FLOAT_EQ(p.y, 4);
    EXPECT_FLOAT_EQ(p.z, 5);
    EXPECT_FLOAT_EQ(p.w, 1);
}

TEST(TransposeMatrix, SwapsRowsAndColumns) {
    const Matrix4 t = TransposeMatrix(kA);
    const Matrix4 expected = Rows({2, 0, 1, 3, 1, 1, 0, 2, 0, 4, 2, 1, 3, 1, 0, 1});
    ExpectMatrixNear(t, expected, 0.0f);
}

TEST(TransformRow, IsRowVectorTimesMatrix) {
    // (1, 2, 3, 4) * A = (1*2+3*1+4*3, 1+2+4*2, 2*4+3*2+4, 3+2+4) by hand.
    const Vector4 v = TransformRow({1, 2, 3, 4}, kA);
    EXPECT_FLOAT_EQ(v.x, 17);
    EXPECT_FLOAT_EQ(v.y, 11);
    EXPECT_FLOAT_EQ(v.z, 18);
    EXPECT_FLOAT_EQ(v.w, 9);
}

TEST(InverseMatrix, MatchesTheExactInverseAndDeterminant) {
    Vector4 det;
    const Matrix4 inv = InverseMatrix(kA, &det);
    ExpectMatrixNear(inv, kInvA, 1e-6f);
    EXPECT_FLOAT_EQ(det.x, -34);
    EXPECT_FLOAT_EQ(det.y, -34);
    EXPECT_FLOAT_EQ(det.z, -34);
    EXPECT_FLOAT_EQ(det.w, -34);
    // The determinant is optional.
    ExpectMatrixNear(InverseMatrix(kA), kInvA, 1e-6f);
}

TEST(InverseMatrix, OfARigidTransformIsTheTransposedRotationAndMovedBack) {
    // Rotation by 30 degrees about Z, then translation (4, -2, 7).
    const float c = std::cos(0.5235987756f), s = std::sin(0.5235987756f);
    const Matrix4 m = Rows({c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 4, -2, 7, 1});
    // Inverse of [R 0; t 1] is [R^T 0; -t R^T 1], written out.
    const float tx = -(4 * c + -2 * s), ty = -(4 * -s + -2 * c), tz = -7;
    const Matrix4 expected = Rows({c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0, tx, ty, tz, 1});
    ExpectMatrixNear(InverseMatrix(m), expected, 1e-5f);
}

TEST(InverseMatrix, OfASingularMatrixIsNotFiniteAndDoesNotFail) {
    const Matrix4 singular = Rows({1, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1});
    Vector4 det;
    const Matrix4 inv = InverseMatrix(singular, &det);
    EXPECT_EQ(det.x, 0.0f);
    EXPECT_FALSE(AllFinite(inv));
    Matrix4 zero;
    for (float& f : zero.m[0]) f = 0;
    zero.m[1][1] = zero.m[2][2] = zero.m[3][3] = 0;
    EXPECT_FALSE(AllFinite(InverseMatrix(zero)));
}

TEST(LookToMatrix, FromTheOriginAlongZWithYUpIsIdentity) {
    ExpectMatrixNear(LookToMatrix({0, 0, 0}, {0, 0, 1}, {0, 1, 0}), Matrix4::Identity(), 0.0f);
}

TEST(LookToMatrix, PutsWorldPointsWhereALeftHandedCameraSeesThem) {
    // Z-up world, camera at (1, 2, 3) looking along +X. Left-handed view
    // space: +z ahead, +y up, +x to the right, and right = up x ahead = +Y.
    const Matrix4 view = LookToMatrix({1, 2, 3}, {5, 0, 0}, {0, 0, 7});
    const Vector4 ahead = TransformRow({6, 2, 3, 1}, view);
    EXPECT_NEAR(ahead.x, 0, 1e-6);
    EXPECT_NEAR(ahead.y, 0, 1e-6);
    EXPECT_NEAR(ahead.z, 5, 1e-6);
    EXPECT_NEAR(ahead.w, 1, 1e-6);
    const Vector4 above = TransformRow({1, 2, 5, 1}, view);
    EXPECT_NEAR(above.x, 0, 1e-6);
    EXPECT_NEAR(above.y, 2, 1e-6);
    EXPECT_NEAR(above.z, 0, 1e-6);
    const Vector4 right = TransformRow({1, 5, 3, 1}, view);
    EXPECT_NEAR(right.x, 3, 1e-6);
    EXPECT_NEAR(right.y, 0, 1e-6);
    EXPECT_NEAR(right.z, 0, 1e-6);
}

TEST(LookToMatrix, AlongTheUpAxisGivesZeroSideAxesAndNoNaN) {
    const Matrix4 view = LookToMatrix({1, 1, 1}, {0, 0, 2}, {0, 0, 1});
    EXPECT_TRUE(AllFinite(view));
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(view.m[r][0], 0.0f);
        EXPECT_EQ(view.m[r][1], 0.0f);
    }
    EXPECT_FLOAT_EQ(view.m[2][2], 1.0f);  // z axis still the normalised direction
    EXPECT_FLOAT_EQ(view.m[3][2], -1.0f);
}

TEST(LookToMatrix, ZeroOrHugeDirectionGivesZeroAxesNotNaN) {
    EXPECT_TRUE(AllFinite(LookToMatrix({1, 2, 3}, {0, 0, 0}, {0, 0, 1})));
    // 1e20 squared overflows: an infinite length gives the zero vector.
    const Matrix4 huge = LookToMatrix({0, 0, 0}, {1e20f, 0, 0}, {0, 0, 1});
    EXPECT_TRUE(AllFinite(huge));
    EXPECT_EQ(huge.m[0][2], 0.0f);
}

TEST(LookToMatrix, InverseHoldsTheCameraAxesInItsFirstRows) {
    // Camera looking diagonally down; right and up worked out by hand:
    // z = (1, 1, -1)/sqrt3, x = up x z = (-1, 1, 0)/sqrt2,
    // y = z x x = (1, 1, 2)/sqrt6.
    const Matrix4 inv = InverseMatrix(LookToMatrix({3, -4, 10}, {1, 1, -1}, {0, 0, 1}));
    const float r2 = 1 / std::sqrt(2.0f), r6 = 1 / std::sqrt(6.0f);
    EXPECT_NEAR(inv.m[0][0], -r2, 1e-5);
    EXPECT_NEAR(inv.m[0][1], r2, 1e-5);
    EXPECT_NEAR(inv.m[0][2], 0, 1e-5);
    EXPECT_NEAR(inv.m[1][0], r6, 1e-5);
    EXPECT_NEAR(inv.m[1][1], r6, 1e-5);
    EXPECT_NEAR(inv.m[1][2], 2 * r6, 1e-5);
    // Row 3 is the eye.
    EXPECT_NEAR(inv.m[3][0], 3, 1e-4);
    EXPECT_NEAR(inv.m[3][1], -4, 1e-4);
    EXPECT_NEAR(inv.m[3][2], 10, 1e-4);
}

TEST(SinCos, AgreesWithTheLibraryOverSeveralTurns) {
    for (double a = -20.0; a <= 20.0; a += 0.037) {
        float s = 0, c = 0;
        SinCos(static_cast<float>(a), &s, &c);
        const double af = static_cast<float>(a);
        ASSERT_NEAR(s, std::sin(af), 1e-5) << "angle " << a;
        ASSERT_NEAR(c, std::cos(af), 1e-5) << "angle " << a;
    }
}

TEST(SinCos, QuarterTurnAndTheEndsOfTheRange) {
    float s = 0, c = 0;
    SinCos(kHalfPi, &s, &c);
    EXPECT_NEAR(s, 1.0f, 1e-6);
    EXPECT_NEAR(c, 0.0f, 1e-6);
    // -pi and 3pi both reduce to -pi: sine 0, cosine -1.
    SinCos(-kPi, &s, &c);
    EXPECT_NEAR(s, 0.0f, 1e-6);
    EXPECT_NEAR(c, -1.0f, 1e-6);
    SinCos(3 * kPi, &s, &c);
    EXPECT_NEAR(s, 0.0f, 1e-5);
    EXPECT_NEAR(c, -1.0f, 1e-6);
    SinCos(0.0f, &s, &c);
    EXPECT_EQ(s, 0.0f);
    EXPECT_EQ(c, 1.0f);
}

TEST(PerspectiveMatrix, LeftHandedDepthZeroToOne) {
    // fovY = pi/2: h = cot(pi/4) = 1; aspect 2: w = 0.5; Q = 10/9.
    const Matrix4 p = PerspectiveMatrix(kHalfPi, 2.0f, 1.0f, 10.0f);
    EXPECT_NEAR(p.m[0][0], 0.5, 1e-6);
    EXPECT_NEAR(p.m[1][1], 1.0, 1e-6);
    EXPECT_NEAR(p.m[2][2], 10.0 / 9.0, 1e-6);
    EXPECT_EQ(p.m[2][3], 1.0f);
    EXPECT_NEAR(p.m[3][2], -10.0 / 9.0, 1e-6);
    EXPECT_EQ(p.m[3][3], 0.0f);
    // Points on the near and far planes land at depth 0 and 1 after the divide.
    const Vector4 nearP = TransformRow({0, 0, 1, 1}, p);
    const Vector4 farP = TransformRow({0, 0, 10, 1}, p);
    EXPECT_NEAR(nearP.z / nearP.w, 0.0, 1e-6);
    EXPECT_NEAR(farP.z / farP.w, 1.0, 1e-6);
    // The top edge of the view at distance 4 (y = 4 * tan(pi/4)) maps to y = 1.
    const Vector4 top = TransformRow({0, 4, 4, 1}, p);
    EXPECT_NEAR(top.y / top.w, 1.0, 1e-5);
}

TEST(PerspectiveMatrix, CameraHalfAngleGivesTheCotangent) {
    // The camera's fovY is 3.14159/4: h = 1/tan(0.39269876).
    const Matrix4 p = PerspectiveMatrix(0.7853975f, 1536.0f / 1080.0f, 0.1f, 1000.0f);
    const double h = 1.0 / std::tan(0.39269876);
    EXPECT_NEAR(p.m[1][1], h, 1e-5);
    EXPECT_NEAR(p.m[0][0], h / (1536.0 / 1080.0), 1e-5);
}
