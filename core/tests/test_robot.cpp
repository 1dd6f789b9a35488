#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "robot.hpp"

namespace talvane {
namespace {

void expect_same_record(const Crx& a, const Crx& b) {
  EXPECT_EQ(a.z1(), b.z1());
  EXPECT_EQ(a.x1(), b.x1());
  EXPECT_EQ(a.x2(), b.x2());
  EXPECT_EQ(a.y1(), b.y1());
  EXPECT_EQ(a.axes(), b.axes());
  EXPECT_TRUE(a == b);
}

TEST(Robot, LongArmModelsShareOneRecord) {
  const Crx expected = Crx::from_model(CrxModel::Crx10iAL);
  expect_same_record(Crx::from_model(CrxModel::Crx20iAL), expected);
  expect_same_record(Crx::crx10ial(), expected);
  expect_same_record(Crx::crx20ial(), expected);
  EXPECT_EQ(expected.z1(), 710.0);
  EXPECT_EQ(expected.x1(), 540.0);
  EXPECT_EQ(expected.x2(), 160.0);
  EXPECT_EQ(expected.y1(), 150.0);
}

TEST(Robot, FromParamsMatchesCatalogue) {
  expect_same_record(Crx::from_params(540, 540, 160, 150), Crx::crx10ia());
  expect_same_record(Crx::from_params(280, 280, 123, 111), Crx::crx3ia());
  expect_same_record(Crx::from_params(410, 430, 145, 130), Crx::crx5ia());
  expect_same_record(Crx::from_params(950, 750, 180, 185), Crx::crx30ia());
}

TEST(Robot, FromParamsStoresAnythingUnchecked) {
  EXPECT_EQ(Crx::from_params(-1, 0, 0, 0).z1(), -1.0);
  EXPECT_TRUE(std::isnan(Crx::from_params(0, NAN, 0, 0).x1()));
  EXPECT_EQ(Crx::from_params(0, 0, INFINITY, 0).x2(), INFINITY);
}

TEST(Robot, AxesAreUnitVectorsOfTheFixedChain) {
  const Crx robot = Crx::crx5ia();
  const auto& axes = robot.axes();
  const std::array<Vec3, 6> expected{{{0, 0, 1}, {0, 1, 0}, {0, -1, 0}, {-1, 0, 0}, {0, -1, 0}, {-1, 0, 0}}};
  EXPECT_EQ(axes, expected);
}

TEST(JointConvention, J3ContainsJ2) {
  const KinematicAngles theta = to_kinematic_angles({0, 30, -30, 0, 0, 0});
  EXPECT_DOUBLE_EQ(theta[1], std::numbers::pi / 6);
  EXPECT_EQ(theta[2], 0.0);
}

TEST(JointConvention, EachAngleConvertedSeparatelyAndUnwrapped) {
  const JointVector joints{400, -720, 1e3, -0.0, 1e-300, 90};
  const KinematicAngles theta = to_kinematic_angles(joints);
  EXPECT_EQ(theta[0], 400 * DEG_TO_RAD);
  EXPECT_EQ(theta[1], -720 * DEG_TO_RAD);
  EXPECT_EQ(theta[2], 1e3 * DEG_TO_RAD + -720 * DEG_TO_RAD);
  EXPECT_TRUE(std::signbit(theta[3]));
  EXPECT_EQ(theta[4], 1e-300 * DEG_TO_RAD);
  EXPECT_EQ(theta[5], 90 * DEG_TO_RAD);
}

}  // namespace
}  // namespace talvane
