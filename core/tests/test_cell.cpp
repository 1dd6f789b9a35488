#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "cell/cell.hpp"
#include "cell/closest_configuration.hpp"
#include "cell/joint_path.hpp"
#include "cell/whole_turns.hpp"
#include "fk.hpp"
#include "ik/solve_ik.hpp"
#include "rigid.hpp"

namespace talvane {
namespace {

constexpr JointVector GENERIC{20, 30, -40, 50, 60, 70};

Strokes symmetric_strokes(const JointVector& half) {
  Strokes strokes{};
  for (int j = 0; j < 6; ++j) {
    strokes.lower[j] = -half[j];
    strokes.upper[j] = half[j];
  }
  return strokes;
}

double largest_matrix_difference(const Pose& a, const Pose& b) {
  const Matrix4 ma = pose_to_matrix(a), mb = pose_to_matrix(b);
  double largest = 0.0;
  for (int i = 0; i < 16; ++i) largest = std::max(largest, std::fabs(ma[i] - mb[i]));
  return largest;
}

struct BadLimits {
  const char* name;
  JointLimits limits;
  const char* message;
};

class LimitsError : public testing::TestWithParam<BadLimits> {};

TEST_P(LimitsError, NamesTheFault) {
  const auto error = limits_error(GetParam().limits);
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(*error, GetParam().message);
}

Strokes with(Strokes strokes, int joint, double lower, double upper) {
  strokes.lower[joint] = lower;
  strokes.upper[joint] = upper;
  return strokes;
}

const Strokes WIDE = symmetric_strokes({180, 180, 270, 190, 180, 225});

INSTANTIATE_TEST_SUITE_P(
    Cell, LimitsError,
    testing::Values(
        BadLimits{"crossed",
                  {with(WIDE, 2, 10, -10), {}},
                  "the lower limit of J3 (10) is above its upper limit (-10)"},
        BadLimits{"nan", {with(WIDE, 0, NAN, 10), {}}, "the limits of J1 must be finite, got nan to 10"},
        BadLimits{
            "infinite", {with(WIDE, 5, -1, INFINITY), {}}, "the limits of J6 must be finite, got -1 to inf"},
        BadLimits{"too_wide",
                  {with(WIDE, 3, -720, 720.5), {}},
                  "the stroke of J4 spans 1440.5 degrees; at most 1080 (three turns) is supported"},
        BadLimits{"elbow_alone",
                  {std::nullopt, Interval{-60, 240}},
                  "a J2 + J3 range needs the lower and upper joint limits as well"},
        BadLimits{"elbow_crossed",
                  {WIDE, Interval{240, -60}},
                  "the J2 + J3 range starts above its end: 240 to -60"},
        BadLimits{
            "elbow_nan", {WIDE, Interval{-60, NAN}}, "the J2 + J3 range must be finite, got -60 to nan"}),
    [](const testing::TestParamInfo<BadLimits>& info) { return std::string(info.param.name); });

TEST(Cell, ValidLimitsPass) {
  EXPECT_FALSE(limits_error({}).has_value());
  EXPECT_FALSE(limits_error({with(WIDE, 0, -540, 540), Interval{-71, 251}}).has_value());
  EXPECT_FALSE(limits_error({with(WIDE, 0, 5, 5), Interval{0, 0}}).has_value());
}

TEST(WholeTurns, WithoutLimitsTheConfigurationIsItsOnlyCopy) {
  std::vector<JointVector> copies;
  append_whole_turn_copies({-0.0, 1e-300, -179.99, 400, -720, 5}, {}, copies);
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_TRUE(std::signbit(copies[0][0]));
  EXPECT_EQ(copies[0][3], 400.0);
}

TEST(WholeTurns, EveryCopyWithinInclusiveStrokesInAscendingOrder) {
  // J4 in [-190, 190]: 170 and -190; J6 in [-225, 225]: -150 and 210; others one copy each.
  Strokes strokes = symmetric_strokes({180, 180, 270, 190, 180, 225});
  std::vector<JointVector> copies;
  append_whole_turn_copies({10, 20, 30, 170, 40, -150}, {strokes, {}}, copies);
  const std::vector<JointVector> expected{{10, 20, 30, -190, 40, -150},
                                          {10, 20, 30, -190, 40, 210},
                                          {10, 20, 30, 170, 40, -150},
                                          {10, 20, 30, 170, 40, 210}};
  EXPECT_EQ(copies, expected);

  // A stroke of exactly three turns holds four copies; one just outside a limit holds none.
  copies.clear();
  append_whole_turn_copies({-540, 0, 0, 0, 0, 0}, {with(strokes, 0, -540, 540), {}}, copies);
  ASSERT_EQ(copies.size(), 4u);
  EXPECT_EQ(copies.front()[0], -540.0);
  EXPECT_EQ(copies.back()[0], 540.0);
  copies.clear();
  append_whole_turn_copies({0, 181, 0, 0, 0, 0}, {with(strokes, 1, -178, 180), {}}, copies);
  EXPECT_TRUE(copies.empty());
}

TEST(WholeTurns, ElbowRangeFiltersPairs) {
  // J3 and J3 - 360 give sums 360 apart: at most one of them lies in [-71, 251].
  Strokes strokes = with(symmetric_strokes({180, 180, 270, 190, 180, 225}), 2, -300, 300);
  std::vector<JointVector> copies;
  append_whole_turn_copies({0, 100, 100, 0, 0, 0}, {strokes, Interval{-71, 251}}, copies);
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0][2], 100.0);
  copies.clear();
  append_whole_turn_copies({0, 100, 190, 0, 0, 0}, {strokes, Interval{-71, 251}}, copies);
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0][2], -170.0);
}

TEST(ClosestConfiguration, LargestDifferenceDecidesAndTiesGoFirst) {
  const std::vector<JointVector> rows{{31, 31, 31, 31, 31, 31}, {30, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, -30}};
  EXPECT_EQ(closest_configuration(rows, {0, 0, 0, 0, 0, 0}), 1u);
  // Not wrapped: 350 is 350 away from 0, not 10.
  EXPECT_EQ(closest_configuration(std::vector<JointVector>{{350, 0, 0, 0, 0, 0}, {-20, 0, 0, 0, 0, 0}}, {}),
            1u);
  EXPECT_FALSE(closest_configuration({}, {}).has_value());
  const JointDifference difference = largest_joint_difference({1, 2, 3, 4, 5, 6}, {1, 2, -3, 4, 5, 0});
  EXPECT_EQ(difference.joint, 2u);
  EXPECT_EQ(difference.degrees, 6.0);
}

TEST(Cell, FramesAreAppliedBothWays) {
  Cell cell{Crx::crx10ia(), {}, {}};
  cell.frames.tool = Pose{axis_angle_quaternion({0, 1, 0}, 0.3), {10, -20, 150}};
  cell.frames.user_frame = Pose{axis_angle_quaternion({0, 0, 1}, 1.2), {400, 100, -50}};
  const Pose flange = fk(cell.robot, GENERIC);
  const Pose tcp = cell_fk(cell, GENERIC);
  EXPECT_LE(largest_matrix_difference(
                tcp, compose(invert_pose(cell.frames.user_frame), compose(flange, cell.frames.tool))),
            1e-12);
  EXPECT_LE(largest_matrix_difference(flange_from_tcp(cell.frames, tcp), flange), 1e-12);
  for (const JointVector& joints : cell_ik(cell, tcp))
    EXPECT_LE(largest_matrix_difference(cell_fk(cell, joints), tcp), 1e-8);
}

TEST(Cell, WithoutLimitsOrFramesIkIsTheSolversOutput) {
  const Cell cell{Crx::crx10ia(), {}, {}};
  const Pose target = fk(cell.robot, GENERIC);
  std::vector<JointVector> expected;
  for (const IkSolution& s : solve_ik(cell.robot, target)) expected.push_back(s.joints);
  EXPECT_EQ(cell_ik(cell, target), expected);
  EXPECT_EQ(cell_fk(cell, GENERIC), target);
}

TEST(JointPath, BreaksAtTheFirstUnreachablePoseOrLargeStep) {
  const Cell cell{
      Crx::crx10ia(), {}, JointLimits{symmetric_strokes({180, 180, 270, 190, 180, 225}), std::nullopt}};
  const Pose a = fk(cell.robot, GENERIC);
  const Pose b = fk(cell.robot, {22, 30, -40, 50, 60, 70});
  Pose far = a;
  far.translation[0] = 5000;

  const JointPath good = walk_path(cell, std::vector<Pose>{a, b}, GENERIC, 30);
  ASSERT_FALSE(good.failure.has_value());
  ASSERT_EQ(good.joints.size(), 2u);
  EXPECT_NEAR(good.joints[1][0], 22, 1e-9);

  const JointPath unreachable = walk_path(cell, std::vector<Pose>{a, b, far, a}, GENERIC, 30);
  ASSERT_TRUE(unreachable.failure.has_value());
  EXPECT_EQ(unreachable.failure->reason, PathBreak::Reason::NoConfiguration);
  EXPECT_EQ(unreachable.failure->index, 2u);
  EXPECT_TRUE(unreachable.joints.empty());

  // From the twin configuration every solution of `b` needs J1 to move by far more than 1 degree.
  const JointPath jump = walk_path(cell, std::vector<Pose>{a, b}, GENERIC, 1.0);
  ASSERT_TRUE(jump.failure.has_value());
  EXPECT_EQ(jump.failure->reason, PathBreak::Reason::StepTooLarge);
  EXPECT_EQ(jump.failure->index, 1u);
  EXPECT_EQ(jump.failure->joint, 0u);
  EXPECT_NEAR(jump.failure->step, 2.0, 1e-9);
}

}  // namespace
}  // namespace talvane
