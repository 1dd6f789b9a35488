#include <gtest/gtest.h>

#include <algorithm>

#include "fk.hpp"
#include "ik/ik_context.hpp"
#include "ik/solve_ik.hpp"
#include "support/random_joints.hpp"

namespace talvane {
namespace {

// Enough to cover every solution count and kind many times over, small enough for a sanitizer build.
constexpr int SAMPLES_PER_MODEL = 2000;

using testing_support::Random;

class Completeness : public testing::TestWithParam<CrxModel> {};

TEST_P(Completeness, EverySolutionIsFoundVerifiedAndUnique) {
  const Crx robot = Crx::from_model(GetParam());
  Random random{2024 + static_cast<std::uint64_t>(GetParam())};
  for (int n = 0; n < SAMPLES_PER_MODEL; ++n) {
    JointVector q;
    for (double& j : q) j = random.joint();
    const Pose target = fk(robot, q);
    const std::vector<IkSolution> solutions = solve_ik(robot, target);
    bool found = false;
    for (std::size_t i = 0; i < solutions.size(); ++i) {
      const IkSolution& s = solutions[i];
      ASSERT_LE(max_abs_error(pose_error(robot, s.joints, target)), MAX_RESIDUAL) << n;
      ASSERT_EQ(s.residual, max_abs_error(pose_error(robot, s.joints, target)));
      found = found || circular_joint_distance(s.joints, q) < DUPLICATE_DISTANCE;
      for (std::size_t k = 0; k < i; ++k) {
        ASSERT_GE(circular_joint_distance(s.joints, solutions[k].joints), DUPLICATE_DISTANCE) << n;
      }
    }
    ASSERT_TRUE(found) << "sample " << n << ": (" << q[0] << ", " << q[1] << ", " << q[2] << ", " << q[3]
                       << ", " << q[4] << ", " << q[5] << ")";
  }
}

// Forearm points within a few hundredths of a millimetre of the J1 axis, close to the shoulder of an
// arm with z1 = x1: the constraint's roots there come in tight clusters, found only to about 1e-4
// rad, and the branch refinement must not step past the zero it starts next to. In the last two the
// constraint only touches zero at the generating angle (a double root) and every root of the
// cluster lies beside it: 0.04 mm from the shoulder, 5e-6 rad from an on-axis angle, and 1.3 mm
// from the shoulder, 1e-3 rad away from the nearest root.
TEST(Completeness, NearShoulderConfigurations) {
  struct Case {
    CrxModel model;
    JointVector q;
  };
  const Case cases[] = {
      {CrxModel::Crx10iA,
       {-39.025319656246864, 97.421136334285109, 172.57567980567558, -120.31857201062277, 123.49712092080068,
        126.25904466841126}},
      {CrxModel::Crx3iA,
       {132.49487736091061, -128.38910285419797, 38.16330926587014, -39.933350462154067, -43.126387285521616,
        -42.384723093000531}},
      {CrxModel::Crx3iA,
       {-66.808116236829903, -89.143137144342106, -0.84873694257865395, -35.773034523731127,
        81.244192564852995, -106.59365634842125}},
      {CrxModel::Crx10iA,
       {-118.56285570788785, -134.32255859812264, 44.464661843531189, -178.69388163956495,
        -130.27076956715194, -144.84465670381138}},
  };
  for (const Case& c : cases) {
    const Crx robot = Crx::from_model(c.model);
    const std::vector<IkSolution> solutions = solve_ik(robot, fk(robot, c.q));
    for (std::size_t i = 0; i < solutions.size(); ++i) {
      EXPECT_LE(solutions[i].residual, MAX_RESIDUAL) << c.q[0];
      for (std::size_t k = 0; k < i; ++k) {
        EXPECT_GE(circular_joint_distance(solutions[i].joints, solutions[k].joints), DUPLICATE_DISTANCE)
            << c.q[0];
      }
    }
    EXPECT_TRUE(std::any_of(solutions.begin(), solutions.end(), [&](const IkSolution& s) {
      return circular_joint_distance(s.joints, c.q) < DUPLICATE_DISTANCE;
    })) << c.q[0];
  }
}

INSTANTIATE_TEST_SUITE_P(AllModels, Completeness,
                         testing::Values(CrxModel::Crx3iA, CrxModel::Crx5iA, CrxModel::Crx10iA,
                                         CrxModel::Crx10iAL, CrxModel::Crx20iAL, CrxModel::Crx30iA));

}  // namespace
}  // namespace talvane
