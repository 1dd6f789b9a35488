#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "fk.hpp"

namespace talvane {
namespace {

using Rows = std::array<std::array<double, 4>, 3>;

void expect_matrix_near(const Pose& pose, const Rows& rows, double tolerance) {
  const Matrix4 m = pose_to_matrix(pose);
  for (std::size_t r = 0; r < 3; ++r) {
    for (std::size_t c = 0; c < 4; ++c) {
      EXPECT_NEAR(m[4 * r + c], rows[r][c], tolerance) << "row " << r << ", column " << c;
    }
  }
  EXPECT_EQ(m[12], 0.0);
  EXPECT_EQ(m[13], 0.0);
  EXPECT_EQ(m[14], 0.0);
  EXPECT_EQ(m[15], 1.0);
}

struct FlangeCase {
  const char* name;
  JointVector joints;
  Rows rows;
};

class Crx10iaFlange : public testing::TestWithParam<FlangeCase> {};

TEST_P(Crx10iaFlange, MatchesController) {
  expect_matrix_near(fk(Crx::crx10ia(), GetParam().joints), GetParam().rows, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedPoses, Crx10iaFlange,
    testing::Values(
        FlangeCase{"zero", {0, 0, 0, 0, 0, 0}, {{{0, 0, 1, 700}, {0, -1, 0, -150}, {1, 0, 0, 540}}}},
        FlangeCase{"j5_down", {0, 0, 0, 0, -90, 0}, {{{1, 0, 0, 540}, {0, -1, 0, -150}, {0, 0, -1, 380}}}},
        FlangeCase{
            "j1_quarter_turn", {90, 0, 0, 0, 0, 0}, {{{0, 1, 0, 150}, {0, 0, 1, 700}, {1, 0, 0, 540}}}},
        FlangeCase{"coupled_j2_j3",
                   {0, 30, -30, 0, 0, 0},
                   {{{0.5, 0, 0.866025403784, 876.217782649},
                     {0, -1, 0, -150},
                     {0.866025403784, 0, -0.5, 117.653718044}}}}),
    [](const testing::TestParamInfo<FlangeCase>& info) { return std::string(info.param.name); });

TEST(Fk, ZeroPoseEntriesAreTinyWhereExactMatrixHasZeros) {
  const Matrix4 m = pose_to_matrix(fk(Crx::crx10ia(), {0, 0, 0, 0, 0, 0}));
  const Matrix4 exact{0, 0, 1, 700, 0, -1, 0, -150, 1, 0, 0, 540, 0, 0, 0, 1};
  for (std::size_t i = 0; i < 16; ++i) EXPECT_LT(std::abs(m[i] - exact[i]), 1e-15) << i;
}

TEST(Fk, ForearmFramesOfTheCoupledExample) {
  const Frames frames = fk_all(Crx::crx10ia(), {0, 30, -30, 0, 0, 0});
  expect_matrix_near(
      frames[2], {{{0.866025403784, 0, 0.5, 270}, {0, 1, 0, 0}, {-0.5, 0, 0.866025403784, 467.653718044}}},
      1e-9);
  EXPECT_NEAR(frames[4].translation[0], 737.653718044, 1e-9);
  EXPECT_NEAR(frames[4].translation[1], -150, 1e-12);
  EXPECT_NEAR(frames[4].translation[2], 197.653718044, 1e-9);
}

TEST(Fk, ZeroPoseFrameOrigins) {
  const Frames frames = fk_all(Crx::crx5ia(), {0, 0, 0, 0, 0, 0});
  const std::array<Vec3, 6> origins{
      {{0, 0, 0}, {0, 0, 0}, {0, 0, 410}, {0, 0, 410}, {430, -130, 410}, {575, -130, 410}}};
  for (std::size_t k = 0; k < 6; ++k) {
    EXPECT_EQ(frames[k].translation, origins[k]) << "frame " << k;
    if (k < 5) {
      EXPECT_EQ(frames[k].rotation, IDENTITY_ROTATION) << "frame " << k;
    }
  }
  EXPECT_EQ(frames[5].rotation, FLANGE_ROTATION);
}

JointVector random_joints(std::mt19937_64& rng) {
  std::uniform_real_distribution<double> angle(-180.0, 180.0);
  JointVector joints{};
  for (double& j : joints) j = angle(rng);
  return joints;
}

double max_matrix_difference(const Pose& a, const Pose& b) {
  const Matrix4 ma = pose_to_matrix(a);
  const Matrix4 mb = pose_to_matrix(b);
  double largest = 0.0;
  for (std::size_t i = 0; i < 16; ++i) largest = std::max(largest, std::abs(ma[i] - mb[i]));
  return largest;
}

TEST(Fk, FlangeIsLastFrameBitForBit) {
  std::mt19937_64 rng(7);
  for (const Crx& robot : {Crx::crx3ia(), Crx::crx10ia(), Crx::crx30ia()}) {
    for (int n = 0; n < 200; ++n) {
      const JointVector joints = random_joints(rng);
      EXPECT_EQ(fk(robot, joints), fk_all(robot, joints)[5]);
    }
  }
}

TEST(Fk, WholeTurnsGiveTheSamePose) {
  std::mt19937_64 rng(11);
  const Crx robot = Crx::crx10ia();
  for (int n = 0; n < 100; ++n) {
    const JointVector joints = random_joints(rng);
    for (std::size_t j = 0; j < 6; ++j) {
      JointVector turned = joints;
      turned[j] += (n % 2 == 0) ? 360.0 : -720.0;
      EXPECT_LT(max_matrix_difference(fk(robot, joints), fk(robot, turned)), 1e-9);
    }
  }
}

TEST(Fk, J2WithJ3HeldTranslatesTheForearmWithoutTilting) {
  const Crx robot = Crx::crx10ia();
  const JointVector base{10, 5, 20, 30, 40, 50};
  JointVector moved = base;
  moved[1] = 35;
  const Frames a = fk_all(robot, base);
  const Frames b = fk_all(robot, moved);
  for (std::size_t k = 2; k < 6; ++k) {
    const Pose rotation_only_a{a[k].rotation, {0, 0, 0}};
    const Pose rotation_only_b{b[k].rotation, {0, 0, 0}};
    EXPECT_LT(max_matrix_difference(rotation_only_a, rotation_only_b), 1e-12) << "frame " << k;
    EXPECT_GT(std::abs(a[k].translation[0] - b[k].translation[0]), 1.0) << "frame " << k;
  }
}

TEST(Fk, AJointMovesOnlyFramesAtAndAfterIt) {
  const Crx robot = Crx::crx10ia();
  const JointVector base{10, 5, 20, 30, 40, 50};
  JointVector j4 = base;
  j4[3] = 75;
  Frames a = fk_all(robot, base);
  Frames b = fk_all(robot, j4);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(a[k], b[k]);
  EXPECT_EQ(a[3].translation, b[3].translation);
  EXPECT_NE(a[3].rotation, b[3].rotation);

  JointVector j6 = base;
  j6[5] = -120;
  b = fk_all(robot, j6);
  for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(a[k], b[k]);
  EXPECT_EQ(a[5].translation, b[5].translation);
  EXPECT_NE(a[5].rotation, b[5].rotation);

  JointVector j3 = base;
  j3[2] = -60;
  b = fk_all(robot, j3);
  EXPECT_EQ(a[0], b[0]);
  EXPECT_EQ(a[1], b[1]);
  EXPECT_EQ(a[2].translation, b[2].translation);
}

TEST(Fk, WithoutWristOffsetsFramesFourAndFiveShareTheirOrigin) {
  const Frames frames = fk_all(Crx::from_params(500, 400, 0, 0), {12, -34, 56, -78, 90, 11});
  EXPECT_EQ(frames[4].translation, frames[5].translation);
}

TEST(Fk, NonFiniteInputPropagates) {
  const Pose from_joint = fk(Crx::crx10ia(), {0, NAN, 0, 0, 0, 0});
  EXPECT_TRUE(std::isnan(from_joint.translation[0]));
  const Pose from_dimension = fk(Crx::from_params(INFINITY, 540, 160, 150), {0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(std::isfinite(from_dimension.translation[2]));
}

TEST(Pose, MatrixKeepsAllFourSquaresOnTheDiagonal) {
  // A quaternion slightly off unit length: 1 − (others) would hide the error on the diagonal.
  const Pose pose{{0.0, 0.0, 0.0, 1.0 + 1e-10}, {1, 2, 3}};
  const Matrix4 m = pose_to_matrix(pose);
  EXPECT_EQ(m[0], (1.0 + 1e-10) * (1.0 + 1e-10));
  EXPECT_EQ(m[5], (1.0 + 1e-10) * (1.0 + 1e-10));
  EXPECT_EQ(m[10], (1.0 + 1e-10) * (1.0 + 1e-10));
  EXPECT_EQ(m[3], 1.0);
  EXPECT_EQ(m[7], 2.0);
  EXPECT_EQ(m[11], 3.0);
}

TEST(Pose, TinyAnglesGiveTheIdentityRotation) {
  EXPECT_EQ(axis_angle_quaternion({0, 0, 1}, 1e-17), IDENTITY_ROTATION);
  EXPECT_NE(axis_angle_quaternion({0, 0, 1}, 1e-15), IDENTITY_ROTATION);
}

}  // namespace
}  // namespace talvane
