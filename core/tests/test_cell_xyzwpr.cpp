#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "cell/xyzwpr.hpp"
#include "rigid.hpp"

namespace talvane {
namespace {

using Matrix3 = std::array<std::array<double, 3>, 3>;

Matrix3 product(const Matrix3& a, const Matrix3& b) {
  Matrix3 c{};
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k)
      for (int col = 0; col < 3; ++col) c[r][col] += a[r][k] * b[k][col];
  return c;
}

// The elementary rotation about axis 0 (x), 1 (y) or 2 (z), degrees.
Matrix3 elementary(int axis, double degrees) {
  const double a = degrees * std::numbers::pi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  const int u = (axis + 1) % 3, v = (axis + 2) % 3;
  Matrix3 m{};
  m[axis][axis] = 1.0;
  m[u][u] = c;
  m[v][v] = c;
  m[u][v] = -s;
  m[v][u] = s;
  return m;
}

void expect_rotation_near(const Matrix4& m, const Matrix3& expected, double tolerance) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(m[4 * r + c], expected[r][c], tolerance) << r << "," << c;
}

const std::vector<Xyzwpr> POSITIONS{
    {0, 0, 0, 0, 0, 0},
    {100, -20, 300, 10, 20, 30},
    {-5.5, 7, 1e4, -170, 89, 179.5},
    {1, 2, 3, 179.9, -89.5, -0.25},
    {0, 0, 0, 45, -30, -135},
    {250, 250, 250, -90, 60, 90},
};

TEST(Xyzwpr, MatrixIsRzRyRxOfTheAngles) {
  for (const Xyzwpr& p : POSITIONS) {
    const Matrix4 m = matrix_from_xyzwpr(p);
    expect_rotation_near(m, product(elementary(2, p[5]), product(elementary(1, p[4]), elementary(0, p[3]))),
                         1e-15);
    EXPECT_EQ(m[3], p[0]);
    EXPECT_EQ(m[7], p[1]);
    EXPECT_EQ(m[11], p[2]);
    EXPECT_EQ((std::array{m[12], m[13], m[14], m[15]}), (std::array{0.0, 0.0, 0.0, 1.0}));
    EXPECT_TRUE(is_rigid_transform(m));
  }
}

TEST(Xyzwpr, RoundTripsOutsideGimbalLock) {
  for (const Xyzwpr& p : POSITIONS) {
    const Xyzwpr back = xyzwpr_from_matrix(matrix_from_xyzwpr(p));
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(back[i], p[i], 1e-12) << i;
  }
}

TEST(Xyzwpr, AnglesComeBackInTheHalfOpenTurn) {
  // 180 stays 180, -180 becomes 180, whole turns are removed.
  const Xyzwpr back = xyzwpr_from_matrix(matrix_from_xyzwpr({0, 0, 0, -180, 0, 540}));
  EXPECT_EQ(back[3], 180.0);
  EXPECT_NEAR(back[5], 180.0, 1e-12);
  EXPECT_GT(back[5], -180.0);
  const Xyzwpr turned = xyzwpr_from_matrix(matrix_from_xyzwpr({0, 0, 0, 370, -20, -400}));
  EXPECT_NEAR(turned[3], 10.0, 1e-12);
  EXPECT_NEAR(turned[4], -20.0, 1e-12);
  EXPECT_NEAR(turned[5], -40.0, 1e-12);
}

TEST(Xyzwpr, GimbalLockGivesWZeroAndTheSameMatrix) {
  for (const double p : {90.0, -90.0}) {
    for (const double w : {0.0, 30.0, -120.0}) {
      const Xyzwpr given{10, 20, 30, w, p, 50};
      const Matrix4 m = matrix_from_xyzwpr(given);
      const Xyzwpr back = xyzwpr_from_matrix(m);
      EXPECT_EQ(back[3], 0.0);
      EXPECT_EQ(back[4], p);
      // Only R − W (P = 90) or R + W (P = −90) is defined.
      EXPECT_NEAR(back[5], p > 0 ? 50.0 - w : 50.0 + w, 1e-12);
      const Matrix4 again = matrix_from_xyzwpr(back);
      for (int i = 0; i < 16; ++i) EXPECT_NEAR(again[i], m[i], 1e-15) << i;
    }
  }
}

TEST(Xyzwpr, MatrixIsExactNextToGimbalLock) {
  // cos P just above the threshold: W and R are large and opposite, yet the matrix comes back.
  for (const double p : {89.9999999, 89.99999999999, -89.9999999999}) {
    const Matrix4 m = matrix_from_xyzwpr({0, 0, 0, 35, p, -20});
    const Matrix4 again = matrix_from_xyzwpr(xyzwpr_from_matrix(m));
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(again[i], m[i], 1e-12) << p << " " << i;
  }
}

}  // namespace
}  // namespace talvane
