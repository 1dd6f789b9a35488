#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "rigid.hpp"

namespace talvane {
namespace {

constexpr double PI = std::numbers::pi;

Matrix4 rotation_matrix(const Vec3& axis, double angle, const Vec3& translation = {0.0, 0.0, 0.0}) {
  const double n = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
  const Vec3 unit{axis[0] / n, axis[1] / n, axis[2] / n};
  return pose_to_matrix(Pose{axis_angle_quaternion(unit, angle), translation});
}

Matrix4 identity() { return pose_to_matrix(IDENTITY_POSE); }

// A generic rotation with every entry well away from 0 and ±1.
Matrix4 generic() { return rotation_matrix({0.3, -0.5, 0.8}, 1.1, {120.0, -35.5, 410.0}); }

Matrix4 float32_rounded(Matrix4 m) {
  for (double& value : m) value = static_cast<double>(static_cast<float>(value));
  return m;
}

// Gram-Schmidt on the rows of the rotation block, in float64.
Matrix4 orthonormalised_rows(Matrix4 m) {
  std::array<Vec3, 3> rows{};
  for (int r = 0; r < 3; ++r) rows[r] = {m[4 * r], m[4 * r + 1], m[4 * r + 2]};
  for (int r = 0; r < 3; ++r) {
    for (int p = 0; p < r; ++p) {
      const double d = rows[r][0] * rows[p][0] + rows[r][1] * rows[p][1] + rows[r][2] * rows[p][2];
      for (int c = 0; c < 3; ++c) rows[r][c] -= d * rows[p][c];
    }
    const double n = std::sqrt(rows[r][0] * rows[r][0] + rows[r][1] * rows[r][1] + rows[r][2] * rows[r][2]);
    for (int c = 0; c < 3; ++c) m[4 * r + c] = rows[r][c] / n;
  }
  return m;
}

bool converts(const Matrix4& m) { return pose_from_row_major(m).pose.has_value(); }

TEST(PoseFromRowMajor, RoundTripsEveryQuaternionBranch) {
  // Half turns about x, y and z make R00, R11 or R22 the largest diagonal entry with a negative
  // trace; the others exercise the positive-trace branch and the neighbourhoods of the half turns.
  const std::vector<Matrix4> matrices{
      identity(),
      generic(),
      rotation_matrix({1, 0, 0}, PI),
      rotation_matrix({0, 1, 0}, PI),
      rotation_matrix({0, 0, 1}, PI),
      rotation_matrix({1, 0.1, -0.2}, 3.0),
      rotation_matrix({0.1, 1, 0.3}, -3.0),
      rotation_matrix({-0.2, 0.1, 1}, 2.9),
      rotation_matrix({1, 1, 1}, 2.0 * PI / 3.0, {1e3, -2e3, 5.0}),
  };
  for (std::size_t n = 0; n < matrices.size(); ++n) {
    const PoseConversion converted = pose_from_row_major(matrices[n]);
    ASSERT_TRUE(converted.pose) << n;
    EXPECT_TRUE(converted.error.empty());
    const Quaternion& q = converted.pose->rotation;
    EXPECT_NEAR(q.i * q.i + q.j * q.j + q.k * q.k + q.w * q.w, 1.0, 1e-15) << n;
    const Matrix4 back = pose_to_matrix(*converted.pose);
    for (std::size_t e = 0; e < back.size(); ++e)
      EXPECT_NEAR(back[e], matrices[n][e], 4e-16) << n << " " << e;
    // The translation column is copied bit for bit.
    for (int r = 0; r < 3; ++r) EXPECT_EQ(converted.pose->translation[r], matrices[n][4 * r + 3]);
  }
}

TEST(PoseFromRowMajor, ExactQuaternions) {
  struct Case {
    Matrix4 matrix;
    Quaternion expected;
  };
  const double h = std::sqrt(2.0) * 2.0;
  const Case cases[] = {
      {identity(), Quaternion{0.0, 0.0, 0.0, 1.0}},
      // A quarter turn about z: s = 2√2, w = s/4 and k = 2/s.
      {{0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, Quaternion{0.0, 0.0, 2.0 / h, 0.25 * h}},
      // A third of a turn about (1, 1, 1): zero trace and equal diagonal fall through to the last branch.
      {{0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1}, Quaternion{0.5, 0.5, 0.5, 0.5}},
      // A half turn about x: only the R00 branch has s ≠ 0.
      {{1, 0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1}, Quaternion{1.0, 0.0, 0.0, 0.0}},
      // Half turns about y and z: R11 > R22 picks the j branch; otherwise the k branch.
      {{-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1}, Quaternion{0.0, 1.0, 0.0, 0.0}},
      {{-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, Quaternion{0.0, 0.0, 1.0, 0.0}},
  };
  for (const Case& c : cases) {
    const PoseConversion converted = pose_from_row_major(c.matrix);
    ASSERT_TRUE(converted.pose);
    EXPECT_EQ(converted.pose->rotation, c.expected);
  }
}

TEST(PoseFromRowMajor, RejectsWrongLength) {
  const std::array<double, 17> values{};
  for (const std::size_t length : {std::size_t{0}, std::size_t{15}, std::size_t{17}}) {
    const PoseConversion converted = pose_from_row_major(std::span<const double>(values.data(), length));
    EXPECT_FALSE(converted.pose);
    EXPECT_EQ(converted.error, "Slice length must be 16");
  }
}

struct MatrixCase {
  const char* name;
  Matrix4 matrix;
};

// A copy of `m` with one element replaced, or moved by `delta`.
Matrix4 changed(Matrix4 m, std::size_t index, double value) {
  m[index] = value;
  return m;
}
Matrix4 added(Matrix4 m, std::size_t index, double delta) {
  m[index] += delta;
  return m;
}

TEST(IsRigidTransform, RejectsNonRigid) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const MatrixCase cases[] = {
      {"float32 rounding", float32_rounded(generic())},
      {"reflection", {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
      {"half turn with a flipped axis", {-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1}},
      {"next double above 1 in the corner", changed(identity(), 15, std::nextafter(1.0, 2.0))},
      {"1e-13 on the diagonal", added(generic(), 5, 1e-13)},
      {"uniform scale", {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1}},
      {"shear", added(identity(), 1, 0.5)},
      {"zero matrix", Matrix4{}},
      {"projective bottom row", changed(identity(), 12, 1e-300)},
      {"homogeneous scale", changed(identity(), 15, 2.0)},
      {"NaN in the rotation", changed(identity(), 6, nan)},
      {"NaN on the diagonal", changed(identity(), 10, nan)},
      {"infinity in the rotation", changed(identity(), 0, inf)},
      {"NaN in the bottom row", changed(identity(), 14, nan)},
  };
  for (const MatrixCase& c : cases) {
    EXPECT_FALSE(is_rigid_transform(c.matrix)) << c.name;
    const PoseConversion converted = pose_from_row_major(c.matrix);
    EXPECT_FALSE(converted.pose) << c.name;
    EXPECT_EQ(converted.error, "Failed to convert matrix to isometry") << c.name;
  }
}

TEST(IsRigidTransform, AcceptsRigid) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const MatrixCase cases[] = {
      {"generic rotation", generic()},
      {"float32 rounding re-orthonormalised", orthonormalised_rows(float32_rounded(generic()))},
      {"3e-15 off the diagonal", added(identity(), 1, 3e-15)},
      {"negative zeros in the bottom row",
       changed(changed(changed(identity(), 12, -0.0), 13, -0.0), 14, -0.0)},
      {"translation of 1e12", changed(generic(), 3, 1e12)},
      {"NaN translation", changed(generic(), 7, nan)},
      {"infinite translation", changed(generic(), 11, -std::numeric_limits<double>::infinity())},
  };
  for (const MatrixCase& c : cases) {
    EXPECT_TRUE(is_rigid_transform(c.matrix)) << c.name;
    EXPECT_TRUE(converts(c.matrix)) << c.name;
  }
}

}  // namespace
}  // namespace talvane
