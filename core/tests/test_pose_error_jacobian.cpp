// pose_error_jacobian against central differences of pose_error, on every model: a wrong axis, a
// sign, a missing J2/J3 coupling or a lost degree factor shows as an error of order 1e-2 or more.
#include <gtest/gtest.h>

#include <cmath>

#include "ik/ik_context.hpp"
#include "ik/pose_error_jacobian.hpp"
#include "support/random_joints.hpp"

namespace talvane {
namespace {

constexpr int VECTORS_PER_MODEL = 40;
// Step in degrees: its truncation error (~h²·r/6 in rad³) and rounding error (~ε·r/h) stay near
// 1e-10 mm for arms of about a metre.
constexpr double STEP = 1e-3;
// Per degree: rotation entries are at most π/180, translation entries about a metre times that.
constexpr double ROTATION_TOLERANCE = 1e-10;
constexpr double TRANSLATION_TOLERANCE = 1e-7;

PoseErrorJacobian central_differences(const Crx& robot, const JointVector& joints, const Pose& target) {
  PoseErrorJacobian numeric;
  for (int j = 0; j < 6; ++j) {
    JointVector plus = joints;
    JointVector minus = joints;
    plus[j] += STEP;
    minus[j] -= STEP;
    const PoseError ep = pose_error(robot, plus, target);
    const PoseError em = pose_error(robot, minus, target);
    for (int row = 0; row < 12; ++row) numeric(row, j) = (ep[row] - em[row]) / (2.0 * STEP);
  }
  return numeric;
}

class PoseErrorJacobianTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(PoseErrorJacobianTest, MatchesCentralDifferencesOfPoseError) {
  const auto model = static_cast<CrxModel>(GetParam());
  const Crx robot = Crx::from_model(model);
  testing_support::Random random{777 + GetParam()};
  // The derivative does not depend on the target; an arbitrary one checks that it is subtracted only.
  const Pose target{{0.5, -0.5, 0.5, 0.5}, {300.0, -200.0, 400.0}};
  for (int n = 0; n < VECTORS_PER_MODEL; ++n) {
    JointVector joints;
    for (double& j : joints) j = random.joint();
    const PoseErrorJacobian analytic = pose_error_jacobian(robot, joints);
    const PoseErrorJacobian numeric = central_differences(robot, joints, target);
    for (int row = 0; row < 12; ++row) {
      const double tolerance = row < 9 ? ROTATION_TOLERANCE : TRANSLATION_TOLERANCE;
      for (int col = 0; col < 6; ++col) {
        ASSERT_NEAR(analytic(row, col), numeric(row, col), tolerance)
            << "model " << GetParam() << ", vector " << n << ", row " << row << ", joint J" << col + 1;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllModels, PoseErrorJacobianTest, ::testing::Range<std::size_t>(0, MODEL_COUNT));

}  // namespace
}  // namespace talvane
