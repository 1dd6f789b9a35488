#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

#include "fk.hpp"
#include "ik/ik_context.hpp"

namespace talvane {
namespace {

constexpr double PI = std::numbers::pi;

TEST(WrapAngle, MapsIntoHalfOpenRange) {
  struct Case {
    double in;
    double out;
  };
  for (const Case c : {Case{PI, -PI}, Case{-PI, -PI}, Case{1.5 * PI, -0.5 * PI}, Case{-1.5 * PI, 0.5 * PI},
                       Case{0.0, 0.0}, Case{7.0 * PI + 0.25, -PI + 0.25}}) {
    EXPECT_NEAR(wrap_angle(c.in), c.out, 1e-12) << c.in;
    EXPECT_GE(wrap_angle(c.in), -PI);
    EXPECT_LT(wrap_angle(c.in), PI);
  }
}

// The shortcut must decide exactly as the wrapped difference does: at the limit, a rounding either
// side of it, across ±π and whole turns, and for NaN.
TEST(WrapAngle, AnglesWithinAgreesWithTheWrappedDifference) {
  std::mt19937_64 rng(12);
  std::uniform_real_distribution<double> angle(-8.0, 8.0);
  std::uniform_real_distribution<double> hair(-1e-5, 1e-5);
  for (int n = 0; n < 20000; ++n) {
    const double a = angle(rng);
    // Differences near 0, near ±π, near a whole turn and beyond the shortcut's range (3π).
    double b = a + hair(rng) + (n % 7 - 3) * PI;
    if (n % 13 == 0) b = std::numeric_limits<double>::quiet_NaN();
    const double wrapped = std::abs(wrap_angle(a - b));
    for (const double limit : {wrapped, std::nextafter(wrapped, 0.0), std::nextafter(wrapped, 1.0), 1e-9,
                               1e-5, wrapped + 5e-15, wrapped - 5e-15}) {
      ASSERT_EQ(angles_within(a, b, limit), wrapped < limit) << n << " " << a << " " << b << " " << limit;
    }
  }
}

TEST(PoseError, VanishesOnOwnForwardKinematics) {
  const Crx robot = Crx::crx10ia();
  const JointVector q{12.0, -40.0, 75.0, 100.0, -20.0, 190.0};
  for (const double e : pose_error(robot, q, fk(robot, q))) EXPECT_EQ(e, 0.0);
}

TEST(PoseError, OrdersRotationColumnsThenTranslation) {
  const Crx robot = Crx::crx10ia();
  const JointVector q{0, 0, 0, 0, 0, 0};
  Pose target = fk(robot, q);
  target.translation[1] += 2.0;
  const PoseError e = pose_error(robot, q, target);
  for (std::size_t i = 0; i < 12; ++i) EXPECT_NEAR(e[i], i == 10 ? -2.0 : 0.0, 1e-12) << i;
  // The flange's x axis is the base z axis at the zero pose: R20 is the third element, R02 the seventh.
  const Pose identity = IDENTITY_POSE;
  const PoseError f = pose_error(robot, q, Pose{identity.rotation, target.translation});
  EXPECT_NEAR(f[2], 1.0, 1e-12);
  EXPECT_NEAR(f[6], 1.0, 1e-12);
  EXPECT_NEAR(f[0], -1.0, 1e-12);
}

TEST(MaxAbsError, PropagatesNan) {
  PoseError e{};
  e[3] = -2.5;
  EXPECT_EQ(max_abs_error(e), 2.5);
  e[7] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(std::isnan(max_abs_error(e)));
}

TEST(IkContext, IdentityRotationTarget) {
  const Crx robot = Crx::crx10ia();
  const IkContext ctx = make_ik_context(robot, Pose{IDENTITY_ROTATION, {100.0, 200.0, 300.0}});
  EXPECT_EQ(ctx.wrist_center, (Vec3{100.0, 200.0, 140.0}));
  EXPECT_EQ(ctx.flange_position, (Vec3{100.0, 200.0, 300.0}));
  EXPECT_EQ(ctx.tool_x, (Vec3{1.0, 0.0, 0.0}));
  EXPECT_EQ(ctx.tool_y, (Vec3{0.0, 1.0, 0.0}));
}

TEST(IkContext, WristCenterIsTheJ5Origin) {
  const Crx robot = Crx::crx5ia();
  const JointVector q{33.0, 12.0, -50.0, 70.0, 80.0, -10.0};
  const Frames frames = fk_all(robot, q);
  const IkContext ctx = make_ik_context(robot, frames[5]);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(ctx.wrist_center[i], frames[4].translation[i], 1e-9);
}

TEST(CircularJointDistance, WholeTurnsAndNan) {
  const JointVector a{179.0, 0, 0, 0, 0, 0};
  const JointVector b{-179.0, 360.0, -720.0, 0, 0, 10.0};
  EXPECT_NEAR(circular_joint_distance(a, b), 10.0 * DEG_TO_RAD, 1e-12);
  JointVector c = a;
  c[0] = -179.0;
  EXPECT_NEAR(circular_joint_distance(a, c), 2.0 * DEG_TO_RAD, 1e-12);
  c[3] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_NEAR(circular_joint_distance(a, c), 2.0 * DEG_TO_RAD, 1e-12);
}

// The early exit must give exactly the comparison of the distance itself, also at the limit.
TEST(CircularJointDistance, WithinAgreesWithTheDistance) {
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> angle(-400.0, 400.0);
  std::uniform_real_distribution<double> hair(-1e-3, 1e-3);
  std::uniform_int_distribution<int> joint(0, 5);
  for (int n = 0; n < 20000; ++n) {
    JointVector a;
    for (double& v : a) v = angle(rng);
    JointVector b = a;
    for (double& v : b) v += hair(rng) + 360.0 * (n % 3 - 1);
    if (n % 5 == 0) b[joint(rng)] = std::numeric_limits<double>::quiet_NaN();
    if (n % 7 == 0) b[joint(rng)] = angle(rng);
    const double distance = circular_joint_distance(a, b);
    const double slack = n % 2 ? 0.0 : 1e-6 * (n % 11);
    // Limits at the distance itself and a rounding either side of it.
    for (const double limit : {distance + slack, std::nextafter(distance + slack, 0.0),
                               std::nextafter(distance + slack, 1.0), 1e-5}) {
      ASSERT_EQ(within_circular_distance(a, b, limit, slack), distance + slack < limit) << n;
    }
  }
}

}  // namespace
}  // namespace talvane
