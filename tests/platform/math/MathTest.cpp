// Vectors, planes, quaternions and matrices against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/math/Math.h"

using namespace math;

namespace {

constexpr float kPi = 3.14159265358979f;

void ExpectMatrix(const Matrix& m, std::initializer_list<float> rows, float tolerance = 1e-5f) {
    int i = 0;
    for (float v : rows) {
        EXPECT_NEAR(m.m[i / 4][i % 4], v, tolerance) << "row " << i / 4 << " column " << i % 4;
        ++i;
    }
}

void ExpectVec(const Vec3& v, float x, float y, float z, float tolerance = 1e-5f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

// ---- Camera matrices ------------------------------------------------------------------

TEST(MatrixTest, LookAtLHFromBehindAlongYWithZUp) {
    // Eye 10 units back along -y looking at the origin, z up.
    Matrix m = MatrixLookAtLH({0, -10, 0}, {0, 0, 0}, {0, 0, 1});
    ExpectMatrix(m, {-1, 0, 0, 0,  //
                     0, 0, 1, 0,   //
                     0, 1, 0, 0,   //
                     0, 0, 10, 1});
    // The looked-at point is straight ahead, 10 units away.
    ExpectVec(Vec3TransformCoord({0, 0, 0}, m), 0, 0, 10);
    // Up stays up.
    ExpectVec(Vec3TransformNormal({0, 0, 1}, m), 0, 1, 0);
}

TEST(MatrixTest, PerspectiveFovLHMapsNearToZeroAndFarToOne) {
    Matrix m = MatrixPerspectiveFovLH(kPi / 2, 1.0f, 1.0f, 101.0f);
    ExpectMatrix(m, {1, 0, 0, 0,      //
                     0, 1, 0, 0,      //
                     0, 0, 1.01f, 1,  //
                     0, 0, -1.01f, 0});
    EXPECT_NEAR(Vec3TransformCoord({0, 0, 1}, m).z, 0.0f, 1e-6f);
    EXPECT_NEAR(Vec3TransformCoord({0, 0, 101}, m).z, 1.0f, 1e-6f);
    // A 45-degree half angle puts x = z on the right edge.
    EXPECT_NEAR(Vec3TransformCoord({5, 0, 5}, m).x, 1.0f, 1e-6f);
}

TEST(MatrixTest, PerspectiveFovLHDividesWidthByAspect) {
    Matrix m = MatrixPerspectiveFovLH(kPi / 2, 4.0f / 3.0f, 1.0f, 100.0f);
    EXPECT_NEAR(m.m[0][0], 0.75f, 1e-6f);
    EXPECT_NEAR(m.m[1][1], 1.0f, 1e-6f);
}

TEST(MatrixTest, OrthoOffCenterLHMapsTheScreenRectangle) {
    Matrix m = MatrixOrthoOffCenterLH(0, 640, 0, 480, 0, 1);
    ExpectMatrix(m, {2.0f / 640, 0, 0, 0,  //
                     0, 2.0f / 480, 0, 0,  //
                     0, 0, 1, 0,           //
                     -1, -1, 0, 1});
    ExpectVec(Vec3TransformCoord({640, 480, 0.5f}, m), 1, 1, 0.5f);
    ExpectVec(Vec3TransformCoord({0, 0, 0}, m), -1, -1, 0);
    Matrix n = MatrixOrthoOffCenterLH(-2, 2, -1, 3, 1, 5);
    ExpectVec(Vec3TransformCoord({-2, 3, 5}, n), -1, 1, 1);
    ExpectVec(Vec3TransformCoord({2, -1, 1}, n), 1, -1, 0);
}

// ---- Inverse ---------------------------------------------------------------------------

TEST(MatrixTest, InverseUndoesRotationAndTranslation) {
    Matrix m = MatrixRotationZ(0.7f) * MatrixTranslation(1, 2, 3);
    Matrix inverse;
    float det = 0;
    ASSERT_TRUE(MatrixInverse(m, &inverse, &det));
    EXPECT_NEAR(det, 1.0f, 1e-5f);
    Matrix expected = MatrixTranslation(-1, -2, -3) * MatrixRotationZ(-0.7f);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(inverse.m[i / 4][i % 4], expected.m[i / 4][i % 4], 1e-5f);
}

TEST(MatrixTest, InverseOfAGeneralMatrixGivesTheIdentity) {
    Matrix m;
    const float values[16] = {2, 0, 1, 3, 1, 1, 0, 2, 0, 3, 1, 1, 4, 1, 2, 1};
    for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = values[i];
    Matrix inverse;
    ASSERT_TRUE(MatrixInverse(m, &inverse));
    Matrix product = m * inverse;
    Matrix identity = MatrixIdentity();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(product.m[i / 4][i % 4], identity.m[i / 4][i % 4], 1e-5f);
}

TEST(MatrixTest, SingularMatrixHasNoInverseAndLeavesTheOutputAlone) {
    Matrix m = MatrixIdentity();
    m.m[2][0] = 1;
    m.m[2][1] = 2;
    m.m[2][2] = 0;  // row 2 = row 0 + 2 row 1
    Matrix out = MatrixTranslation(7, 7, 7);
    float det = 5;
    EXPECT_FALSE(MatrixInverse(m, &out, &det));
    EXPECT_EQ(det, 0.0f);
    EXPECT_EQ(out, MatrixTranslation(7, 7, 7));
    Matrix zero;
    EXPECT_FALSE(MatrixInverse(zero, &out));
}

// ---- Rotations -------------------------------------------------------------------------

TEST(MatrixTest, RotationsTurnTheAxes) {
    ExpectVec(Vec3TransformNormal({1, 0, 0}, MatrixRotationZ(kPi / 2)), 0, 1, 0);
    ExpectVec(Vec3TransformNormal({0, 1, 0}, MatrixRotationX(kPi / 2)), 0, 0, 1);
    ExpectVec(Vec3TransformNormal({0, 0, 1}, MatrixRotationY(kPi / 2)), 1, 0, 0);
}

TEST(MatrixTest, ProductAppliesTheLeftMatrixFirst) {
    // Translate then rotate: (1, 0, 0) goes to (2, 0, 0), then to (0, 2, 0).
    Matrix m = MatrixTranslation(1, 0, 0) * MatrixRotationZ(kPi / 2);
    ExpectVec(Vec3TransformCoord({1, 0, 0}, m), 0, 2, 0);
}

TEST(MatrixTest, YawPitchRollRollsThenPitchesThenYaws) {
    float yaw = 0.3f, pitch = -0.8f, roll = 1.1f;
    Matrix m = MatrixRotationYawPitchRoll(yaw, pitch, roll);
    Matrix expected = MatrixRotationZ(roll) * MatrixRotationX(pitch) * MatrixRotationY(yaw);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m.m[i / 4][i % 4], expected.m[i / 4][i % 4], 1e-6f);
    // Roll a quarter turn, then yaw a quarter turn: x -> y -> y.
    ExpectVec(Vec3TransformNormal({1, 0, 0}, MatrixRotationYawPitchRoll(kPi / 2, 0, kPi / 2)), 0, 1, 0);
    // The other order would give (0, 0, -1).
}

TEST(MatrixTest, QuaternionRotationMatchesTheAxisRotation) {
    float s = std::sin(kPi / 4), c = std::cos(kPi / 4);
    Matrix m = MatrixRotationQuaternion({0, 0, s, c});  // a quarter turn about z
    Matrix expected = MatrixRotationZ(kPi / 2);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m.m[i / 4][i % 4], expected.m[i / 4][i % 4], 1e-6f);
}

TEST(MatrixTest, QuaternionIsUsedAsGivenNotNormalised) {
    Matrix m = MatrixRotationQuaternion({2, 0, 0, 0});
    EXPECT_FLOAT_EQ(m.m[0][0], 1.0f);
    EXPECT_FLOAT_EQ(m.m[1][1], -7.0f);  // 1 - 2 (x^2 + z^2)
    EXPECT_FLOAT_EQ(m.m[2][2], -7.0f);
    EXPECT_FLOAT_EQ(m.m[3][3], 1.0f);
}

TEST(MatrixTest, TransposeSwapsRowsAndColumns) {
    Matrix t = MatrixTranspose(MatrixTranslation(1, 2, 3));
    EXPECT_EQ(t.m[0][3], 1.0f);
    EXPECT_EQ(t.m[2][3], 3.0f);
    EXPECT_EQ(t.m[3][0], 0.0f);
}

TEST(MatrixTest, ReflectionInAPlaneMirrorsPoints) {
    ExpectMatrix(MatrixReflect({0, 0, 1, 0}), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1});
    // The plane z = 1, given unnormalised.
    ExpectVec(Vec3TransformCoord({0, 0, 3}, MatrixReflect({0, 0, 2, -2})), 0, 0, -1);
    ExpectVec(Vec3TransformCoord({5, 4, 1}, MatrixReflect({0, 0, 2, -2})), 5, 4, 1);
}

// ---- Vectors ---------------------------------------------------------------------------

TEST(VectorTest, TransformKeepsWAndTransformCoordDividesByIt) {
    Matrix p = MatrixPerspectiveFovLH(kPi / 2, 1.0f, 1.0f, 101.0f);
    Vec4 h = Vec3Transform({0, 0, 101}, p);
    EXPECT_NEAR(h.z, 101.0f, 1e-4f);
    EXPECT_NEAR(h.w, 101.0f, 1e-4f);
    EXPECT_NEAR(Vec3TransformCoord({0, 0, 101}, p).z, 1.0f, 1e-6f);
    Vec4 v = Vec4Transform({1, 2, 3, 0}, MatrixTranslation(5, 5, 5));
    EXPECT_EQ(v.x, 1.0f);
    EXPECT_EQ(v.w, 0.0f);
}

TEST(VectorTest, TransformNormalIgnoresTheTranslation) {
    ExpectVec(Vec3TransformNormal({1, 2, 3}, MatrixTranslation(10, 20, 30)), 1, 2, 3);
}

TEST(VectorTest, ZeroVectorNormalisesToZero) {
    Vec3 n = Vec3Normalize({0, 0, 0});
    EXPECT_EQ(n, Vec3(0, 0, 0));
    ExpectVec(Vec3Normalize({3, 4, 0}), 0.6f, 0.8f, 0);
    EXPECT_FLOAT_EQ(Vec3Length({3, 4, 12}), 13.0f);
}

TEST(VectorTest, LerpDotAndCross) {
    ExpectVec(Vec3Lerp({0, 0, 0}, {10, -10, 4}, 0.25f), 2.5f, -2.5f, 1);
    EXPECT_EQ(Dot({1, 2, 3}, {4, 5, 6}), 32.0f);
    EXPECT_EQ(Cross({1, 0, 0}, {0, 1, 0}), Vec3(0, 0, 1));
}

// ---- Planes ----------------------------------------------------------------------------

TEST(PlaneTest, PlaneFromPointsIsNormalised) {
    Plane p = PlaneFromPoints({0, 0, 5}, {2, 0, 5}, {0, 2, 5});
    EXPECT_FLOAT_EQ(p.a, 0.0f);
    EXPECT_FLOAT_EQ(p.b, 0.0f);
    EXPECT_FLOAT_EQ(p.c, 1.0f);
    EXPECT_FLOAT_EQ(p.d, -5.0f);
    EXPECT_FLOAT_EQ(PlaneDotCoord(p, {7, 7, 8}), 3.0f);
    EXPECT_FLOAT_EQ(PlaneDotNormal(p, {7, 7, 8}), 8.0f);
}

TEST(PlaneTest, PointsInALineGiveAZeroPlane) {
    Plane p = PlaneFromPoints({0, 0, 0}, {1, 1, 1}, {2, 2, 2});
    EXPECT_EQ(p.a, 0.0f);
    EXPECT_EQ(p.d, 0.0f);
}

}  // namespace
