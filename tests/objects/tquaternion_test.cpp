#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "objects/core/tquaternion.h"

namespace kelvarin {
namespace {

const GLMatrix kIdentityMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

GLMatrix MatrixOf(const TQuaternion& q) {
  GLMatrix m{};
  q.ToGLMatrix(m);
  return m;
}

// Column-major product a * b.
GLMatrix Times(const GLMatrix& a, const GLMatrix& b) {
  GLMatrix out{};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += double(a[k * 4 + r]) * b[c * 4 + k];
      out[c * 4 + r] = float(sum);
    }
  return out;
}

void ExpectNear(const GLMatrix& actual, const GLMatrix& expected, float tolerance = 1e-6f) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "element " << i;
}

void ExpectNear(const TQuaternion& q, float w, float x, float y, float z, float tolerance = 1e-6f) {
  EXPECT_NEAR(q.W, w, tolerance);
  EXPECT_NEAR(q.X, x, tolerance);
  EXPECT_NEAR(q.Y, y, tolerance);
  EXPECT_NEAR(q.Z, z, tolerance);
}

TEST(TQuaternion, IdentityGivesTheIdentityMatrix) {
  TQuaternion q(0.3f, 0.4f, 0.5f, 0.6f);
  q.SetIdentity();
  EXPECT_EQ(q, TQuaternion());
  EXPECT_EQ(MatrixOf(q), kIdentityMatrix);
}

TEST(TQuaternion, TurnAboutZFromIdentityIsHalfAngleCosineAndSine) {
  for (float angle : {0.0343f, -0.5f, 1.0f, 3.0f}) {
    TQuaternion q;
    q.RotateAxisAngle(0, 0, 1, angle);
    const float half = angle * 0.5f;
    EXPECT_EQ(q.W, float(std::cos(double(half))));
    EXPECT_EQ(q.Z, float(std::sin(double(half))));
    EXPECT_EQ(q.X, 0);
    EXPECT_EQ(q.Y, 0);
  }
  // A quarter turn about Z takes the object's X axis to the world's Y axis.
  TQuaternion quarter;
  quarter.RotateAxisAngle(0, 0, 5, float(M_PI / 2));  // any axis length
  const GLMatrix m = MatrixOf(quarter);
  EXPECT_NEAR(m[0], 0, 1e-6);
  EXPECT_NEAR(m[1], 1, 1e-6);
  EXPECT_NEAR(m[2], 0, 1e-6);
}

TEST(TQuaternion, TurnsAboutOneAxisAddUp) {
  TQuaternion twice;
  twice.RotateAxisAngle(0, 1, 0, 0.25f).RotateAxisAngle(0, 1, 0, 0.5f);
  TQuaternion once;
  once.RotateAxisAngle(0, 1, 0, 0.75f);
  ExpectNear(twice, once.W, once.X, once.Y, once.Z);
}

TEST(TQuaternion, LaterTurnsAreInTheObjectsOwnFrame) {
  const float a = 0.7f, b = -1.1f;
  TQuaternion q;
  q.RotateAxisAngle(1, 0, 0, a).RotateAxisAngle(0, 1, 0, b);

  TQuaternion turnX, turnY;
  turnX.RotateAxisAngle(1, 0, 0, a);
  turnY.RotateAxisAngle(0, 1, 0, b);
  TQuaternion expected = turnX;
  expected.Multiply(turnY.W, turnY.X, turnY.Y, turnY.Z);
  EXPECT_EQ(q, expected);
  ExpectNear(MatrixOf(q), Times(MatrixOf(turnX), MatrixOf(turnY)));

  TQuaternion reversed = turnY;
  reversed.Multiply(turnX.W, turnX.X, turnX.Y, turnX.Z);
  EXPECT_GT(std::fabs(reversed.Z - q.Z), 0.1f);
}

TEST(TQuaternion, NormaliseCopesWithZeroTinyHugeAndBrokenValues) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const TQuaternion toIdentity[] = {
      {0, 0, 0, 0}, {2, 0, 0, 0}, {1e-30f, 0, 0, 0}, {1e30f, 0, 0, 0}, {nan, 0, 0, 0},
      {0, nan, 1, 0}, {inf, 0, 0, 0}, {5e-45f, 0, 0, 0},
  };
  for (TQuaternion q : toIdentity) {
    q.Normalise();
    EXPECT_EQ(q, TQuaternion()) << q.W << ' ' << q.X << ' ' << q.Y << ' ' << q.Z;
  }

  TQuaternion q(0, 3, 0, 4);
  q.Normalise();
  ExpectNear(q, 0, 0.6f, 0, 0.8f);
  TQuaternion tiny(1e-30f, -1e-30f, 0, 0);  // below 2^-23: pre-scaled first
  tiny.Normalise();
  ExpectNear(tiny, float(M_SQRT1_2), float(-M_SQRT1_2), 0, 0);
  const float max = std::numeric_limits<float>::max();
  TQuaternion huge(max, max, max, -max);  // the square of the length overflows a float
  huge.Normalise();
  ExpectNear(huge, 0.5f, 0.5f, 0.5f, -0.5f);
  EXPECT_NEAR(huge.Norm(), 1, 1e-6);
}

TEST(TQuaternion, MatrixIgnoresTheLengthAndSurvivesZero) {
  EXPECT_EQ(MatrixOf({2, 0, 0, 0}), kIdentityMatrix);
  EXPECT_EQ(MatrixOf({0, 0, 0, 0}), kIdentityMatrix);
  EXPECT_EQ(MatrixOf({std::numeric_limits<float>::quiet_NaN(), 0, 0, 0}), kIdentityMatrix);
  TQuaternion unit;
  unit.RotateAxisAngle(1, 2, 3, 0.9f);
  TQuaternion scaled = unit;
  scaled.Scale(7.5f);
  ExpectNear(MatrixOf(scaled), MatrixOf(unit));
}

TEST(TQuaternion, ZeroAxisLeavesTheRotationAlone) {
  TQuaternion q(0.5f, 0.5f, 0.5f, 0.5f);
  q.RotateAxisAngle(0, 0, 0, 1.0f);
  EXPECT_EQ(q, TQuaternion(0.5f, 0.5f, 0.5f, 0.5f));
}

}  // namespace
}  // namespace kelvarin
