#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fk.hpp"
#include "ik/closest.hpp"
#include "ik/ik_context.hpp"
#include "ik/solve_ik.hpp"

namespace talvane {
namespace {

void expect_joints_near(const JointVector& actual, const JointVector& expected, double tolerance) {
  for (int j = 0; j < 6; ++j) EXPECT_NEAR(actual[j], expected[j], tolerance) << "joint " << j;
}

TEST(SolveIk, WorkedRegularCase) {
  const Crx robot = Crx::crx10ia();
  const JointVector q{20, 30, -40, 50, 60, 70};
  const std::vector<IkSolution> solutions = solve_ik(robot, fk(robot, q));
  ASSERT_EQ(solutions.size(), 8u);
  const double thetas[4] = {0.5261, -2.1310, -0.3491, 2.2055};
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(solutions[i].kind, SolutionKind::Regular);
    EXPECT_NEAR(solutions[i].theta, thetas[i / 2], 5e-5) << i;
    EXPECT_LT(solutions[i].residual, 1e-12) << i;
    EXPECT_EQ(solutions[i].residual, max_abs_error(pose_error(robot, solutions[i].joints, fk(robot, q))));
  }
  expect_joints_near(solutions[0].joints, {20.8256, 119.0786, -290.1163, -44.3167, -69.1029, 120.1450}, 1e-4);
  expect_joints_near(solutions[4].joints, q, 1e-9);
  expect_joints_near(solutions[5].joints, {-160, -30, -140, -130, 60, 70}, 1e-9);
}

TEST(SolveIk, WorkedAxisDegenerateCase) {
  // The circle point lies on the J1 axis: J1 comes from the elbow's azimuth.
  const Crx robot = Crx::crx10ia();
  const JointVector q{0, -30, 60, 40, 50, 60};
  const std::vector<IkSolution> solutions = solve_ik(robot, fk(robot, q));
  ASSERT_EQ(solutions.size(), 12u);
  const JointVector expected[4] = {{-180, 30, 120, -140, 50, 60},
                                   {0, -30, 60, 40, 50, 60},
                                   {-72.0104, 30, 120, -40, 2.2827, 60},
                                   {107.9896, -30, 60, 140, 2.2827, 60}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(solutions[i].kind, SolutionKind::AxisDegenerate) << i;
    EXPECT_NEAR(solutions[i].theta, -0.5236, 1e-4) << i;
    expect_joints_near(solutions[i].joints, expected[i], 1e-4);
  }
  for (std::size_t i = 4; i < 12; ++i) EXPECT_EQ(solutions[i].kind, SolutionKind::Regular) << i;
}

TEST(SolveIk, WorkedSingularFamilyCase) {
  const Crx robot = Crx::crx10ia();
  const JointVector q{0, 0, 90, 30, 40, 50};
  const std::vector<IkSolution> solutions = solve_ik(robot, fk(robot, q));
  ASSERT_GE(solutions.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(solutions[i].kind, SolutionKind::SingularFamily);
    EXPECT_NEAR(solutions[i].theta, -0.6981, 1e-4);
  }
  expect_joints_near(solutions[0].joints, q, 1e-9);
  expect_joints_near(solutions[1].joints, {-180, 0, 90, -150, 40, 50}, 1e-9);
  for (const IkSolution& s : solutions) EXPECT_LE(s.residual, MAX_RESIDUAL);
}

TEST(SolveIk, UnreachableAndNonFiniteTargetsHaveNoSolution) {
  const Crx robot = Crx::crx10ia();
  EXPECT_TRUE(solve_ik(robot, Pose{IDENTITY_ROTATION, {5000.0, 0.0, 0.0}}).empty());
  EXPECT_TRUE(
      solve_ik(Crx::from_params(540, 540, 160, 150), Pose{IDENTITY_ROTATION, {2000.0, 0.0, 0.0}}).empty());
  Pose target = fk(robot, JointVector{20, 30, -40, 50, 60, 70});
  target.rotation.w = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(solve_ik(robot, target).empty());
  target.rotation.w = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(solve_ik(robot, target).empty());
  // Degenerate robots flow through without a crash or a hang.
  for (const Crx& odd :
       {Crx::from_params(0, 0, 0, 0), Crx::from_params(-1, 0, 0, 0), Crx::from_params(540, 540, 0, 0),
        Crx::from_params(540, 540, 160, -150), Crx::from_params(NAN, 1, 1, 1)}) {
    for (const IkSolution& s : solve_ik(odd, IDENTITY_POSE)) EXPECT_LE(s.residual, MAX_RESIDUAL);
  }
}

IkSolution solution_with(const JointVector& joints, double residual) {
  return IkSolution{joints, residual, 0.25, SolutionKind::Regular};
}

TEST(AdmitSolution, ResidualBoundIsInclusiveAndNanIsRefused) {
  std::vector<IkSolution> list;
  EXPECT_TRUE(admit_solution(list, solution_with({0, 0, 0, 0, 0, 0}, 1e-8)));
  EXPECT_FALSE(admit_solution(list, solution_with({50, 0, 0, 0, 0, 0}, std::nextafter(1e-8, 1.0))));
  EXPECT_FALSE(
      admit_solution(list, solution_with({60, 0, 0, 0, 0, 0}, std::numeric_limits<double>::quiet_NaN())));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].theta, 0.25);
}

TEST(AdmitSolution, DuplicatesUpToWholeTurnsAndBelowTheDistance) {
  std::vector<IkSolution> list;
  const JointVector base{10, 20, 30, 40, 50, 60};
  ASSERT_TRUE(admit_solution(list, solution_with(base, 0.0)));
  // A whole turn in one joint is the same solution; the first found is kept.
  JointVector turned = base;
  turned[2] += 360.0;
  EXPECT_FALSE(admit_solution(list, solution_with(turned, 0.0)));
  // Find the joint offsets around 1e-5 rad in J6 whose computed distance lies just below and at or
  // above the bound.
  double delta = DUPLICATE_DISTANCE / DEG_TO_RAD;
  auto distance_for = [&](double d) {
    JointVector v = base;
    v[5] += d;
    return circular_joint_distance(v, base);
  };
  while (distance_for(delta) >= DUPLICATE_DISTANCE) delta = std::nextafter(delta, 0.0);
  double above = delta;
  while (distance_for(above) < DUPLICATE_DISTANCE) above = std::nextafter(above, 1.0);
  JointVector near = base;
  near[5] += delta;
  JointVector apart = base;
  apart[5] += above;
  EXPECT_LT(distance_for(delta), DUPLICATE_DISTANCE);
  EXPECT_FALSE(admit_solution(list, solution_with(near, 0.0)));
  EXPECT_TRUE(admit_solution(list, solution_with(apart, 0.0)));
  EXPECT_EQ(list.size(), 2u);
}

TEST(ClosestSolution, WorkedCases) {
  const Crx robot = Crx::crx10ia();
  const Pose target = fk(robot, JointVector{20, 30, -40, 50, 60, 70});
  const auto zero = closest_solution(robot, target, {0, 0, 0, 0, 0, 0});
  ASSERT_TRUE(zero);
  expect_joints_near(zero->joints, {20, 30, -40, 50, 60, 70}, 1e-9);
  EXPECT_NEAR(joint_distance(*zero, {0, 0, 0, 0, 0, 0}), 70.0 * DEG_TO_RAD, 1e-9);
  const auto twin = closest_solution(robot, target, {-160, -30, -140, -130, 60, 70});
  ASSERT_TRUE(twin);
  expect_joints_near(twin->joints, {-160, -30, -140, -130, 60, 70}, 1e-9);
  const auto far = closest_solution(robot, target, {10, 120, -290, -40, -70, 120});
  ASSERT_TRUE(far);
  expect_joints_near(far->joints, {20.8256, 119.0786, -290.1163, -44.3167, -69.1029, 120.1450}, 1e-4);
  // Whole turns per joint count as no movement.
  const auto turned = closest_solution(robot, target, {380, -330, 320, 410, -300, 430});
  ASSERT_TRUE(turned);
  expect_joints_near(turned->joints, {20, 30, -40, 50, 60, 70}, 1e-9);
  EXPECT_FALSE(closest_solution(robot, Pose{IDENTITY_ROTATION, {5000, 0, 0}}, {0, 0, 0, 0, 0, 0}));
}

TEST(ClosestSolution, TiesGoToTheFirstListed) {
  const Crx robot = Crx::crx10ia();
  const Pose target = fk(robot, JointVector{20, 30, -40, 50, 60, 70});
  const std::vector<IkSolution> all = solve_ik(robot, target);
  // A NaN reference counts no joint: every distance is 0, so the first solution wins.
  const JointVector nan_reference{NAN, NAN, NAN, NAN, NAN, NAN};
  const auto chosen = closest_solution(robot, target, nan_reference);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->joints, all[0].joints);
  EXPECT_EQ(joint_distance(all[3], nan_reference), 0.0);
}

TEST(JointDistance, LargestWrappedDifference) {
  const IkSolution s = solution_with({-179, 0, 0, 0, 0, 30}, 0.0);
  EXPECT_NEAR(joint_distance(s, {179, 0, 0, 0, 0, 0}), 30.0 * DEG_TO_RAD, 1e-12);
  EXPECT_NEAR(joint_distance(s, {179, 0, 0, 0, 0, 30}), 2.0 * DEG_TO_RAD, 1e-12);
  // One joint by 30° is nearer than all six by 31°.
  const IkSolution one = solution_with({30, 0, 0, 0, 0, 0}, 0.0);
  const IkSolution all = solution_with({31, 31, 31, 31, 31, 31}, 0.0);
  EXPECT_LT(joint_distance(one, {0, 0, 0, 0, 0, 0}), joint_distance(all, {0, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace talvane
