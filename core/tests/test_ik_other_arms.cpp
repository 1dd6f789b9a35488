// Arms unlike the catalogued ones: negative link dimensions (mirror images of the arm with their
// absolute values), a lateral offset y1 or flange offset x2 of zero, and a lateral offset longer than
// the upper arm.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <ostream>
#include <vector>

#include "fk.hpp"
#include "ik/ik_context.hpp"
#include "ik/mirrored_arm.hpp"
#include "ik/solve_ik.hpp"
#include "ik/wrist_circle.hpp"
#include "rigid.hpp"
#include "support/ik_coverage.hpp"
#include "support/random_joints.hpp"

namespace talvane {
namespace {

using testing_support::covers;
using testing_support::Random;

constexpr int SAMPLES_PER_ARM = 300;

// Every row verified and unique, and q covered.
void expect_complete(const Crx& robot, Random& random) {
  for (int n = 0; n < SAMPLES_PER_ARM; ++n) {
    JointVector q;
    for (double& j : q) j = random.joint();
    const Pose target = fk(robot, q);
    const std::vector<IkSolution> solutions = solve_ik(robot, target);
    ASSERT_TRUE(covers(robot, solutions, q, target)) << n << ": (" << q[0] << ", " << q[1] << ", " << q[2]
                                                     << ", " << q[3] << ", " << q[4] << ", " << q[5] << ")";
    for (std::size_t i = 0; i < solutions.size(); ++i) {
      const IkSolution& s = solutions[i];
      ASSERT_EQ(s.residual, max_abs_error(pose_error(robot, s.joints, target))) << n;
      ASSERT_LE(s.residual, MAX_RESIDUAL) << n;
      for (std::size_t k = 0; k < i; ++k) {
        ASSERT_GE(circular_joint_distance(s.joints, solutions[k].joints), DUPLICATE_DISTANCE) << n;
      }
    }
  }
}

// Bit k of the pattern negates dimension k of (z1, x1, x2, y1).
Crx signed_arm(unsigned pattern) {
  const std::array<double, 4> base{540.0, 480.0, 160.0, 150.0};
  std::array<double, 4> d{};
  for (unsigned k = 0; k < 4; ++k) d[k] = (pattern >> k) & 1U ? -base[k] : base[k];
  return Crx::from_params(d[0], d[1], d[2], d[3]);
}

class MirroredArms : public testing::TestWithParam<unsigned> {};

TEST_P(MirroredArms, EverySolutionOfTheMirrorImage) {
  Random random{7000 + GetParam()};
  expect_complete(signed_arm(GetParam()), random);
}

TEST_P(MirroredArms, RowsAreThoseOfTheArmOfAbsoluteDimensions) {
  const Crx robot = signed_arm(GetParam());
  const Crx absolute = signed_arm(0);
  Random random{7100 + GetParam()};
  for (int n = 0; n < 50; ++n) {
    JointVector q;
    for (double& j : q) j = random.joint();
    const Pose target = fk(robot, q);
    const std::vector<IkSolution> mirrored = solve_ik(robot, target);
    const std::vector<IkSolution> found = solve_ik(absolute, mirrored_target(robot, target));
    ASSERT_EQ(mirrored.size(), found.size()) << n;
    const IkContext ctx = make_ik_context(robot, target);
    const IkContext absolute_ctx = make_ik_context(absolute, mirrored_target(robot, target));
    for (std::size_t i = 0; i < found.size(); ++i) {
      const IkSolution mapped = mirrored_solution(robot, found[i]);
      EXPECT_EQ(mirrored[i].joints, mapped.joints) << n;
      EXPECT_EQ(mirrored[i].theta, mapped.theta) << n;
      EXPECT_EQ(mirrored[i].kind, found[i].kind) << n;
      // theta names the same circle point on the robot's own circle.
      const Vec3 p = circle_point(ctx, mapped.theta);
      const Vec3 absolute_p = circle_point(absolute_ctx, found[i].theta);
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], absolute_p[c], 1e-9) << n;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EverySignPattern, MirroredArms, testing::Range(1U, 16U));

TEST(MirroredTarget, IsTheHalfTurnAboutTheFlangeYAxisExactly) {
  const Crx robot = Crx::from_params(540.0, 540.0, -160.0, 150.0);
  const Pose target = fk(robot, JointVector{10, 20, -30, 40, 50, 60});
  const Matrix4 a = pose_to_matrix(target);
  const Matrix4 b = pose_to_matrix(mirrored_target(robot, target));
  for (int row = 0; row < 3; ++row) {
    EXPECT_NEAR(b[row * 4 + 0], -a[row * 4 + 0], 1e-15);
    EXPECT_NEAR(b[row * 4 + 1], a[row * 4 + 1], 1e-15);
    EXPECT_NEAR(b[row * 4 + 2], -a[row * 4 + 2], 1e-15);
    EXPECT_EQ(b[row * 4 + 3], a[row * 4 + 3]);
  }
  // With x2 ≥ 0 the target is the arm's own, whatever the other signs.
  EXPECT_EQ(mirrored_target(Crx::from_params(-540.0, -540.0, 160.0, -150.0), target), target);
}

TEST(MirroredArms, NegativeZeroAndNanAreNotMirrored) {
  EXPECT_FALSE(has_negative_dimension(Crx::from_params(540.0, 540.0, -0.0, -0.0)));
  EXPECT_FALSE(has_negative_dimension(Crx::from_params(540.0, std::nan(""), 160.0, 150.0)));
  EXPECT_TRUE(has_negative_dimension(Crx::from_params(540.0, 540.0, 160.0, -1e-300)));
}

// y1 = 0 leaves the J5 axis's direction to the circle angle, x2 = 0 the J6 axis's to the target.
class ArmsWithoutOffsets : public testing::TestWithParam<std::array<double, 4>> {};

TEST_P(ArmsWithoutOffsets, EverySolution) {
  const auto [z1, x1, x2, y1] = GetParam();
  Random random{7200};
  expect_complete(Crx::from_params(z1, x1, x2, y1), random);
}

INSTANTIATE_TEST_SUITE_P(ZeroOrTinyOffsets, ArmsWithoutOffsets,
                         testing::Values(std::array<double, 4>{540.0, 540.0, 160.0, 0.0},
                                         std::array<double, 4>{540.0, 540.0, 0.0, 150.0},
                                         std::array<double, 4>{540.0, 540.0, 0.0, 0.0},
                                         std::array<double, 4>{540.0, 480.0, 1e-9, 1e-9},
                                         std::array<double, 4>{540.0, 480.0, -0.0, -160.0}));

// Special poses of arms unlike the catalogued ones, each with the dimensions (z1, x1, x2, y1).
struct OtherArmPose {
  std::array<double, 4> dimensions;
  JointVector q;
};

std::ostream& operator<<(std::ostream& out, const OtherArmPose& c) {
  out << "arm (" << c.dimensions[0] << ", " << c.dimensions[1] << ", " << c.dimensions[2] << ", "
      << c.dimensions[3] << ") q (";
  for (double j : c.q) out << j << ' ';
  return out << ')';
}

class SpecialPosesOfOtherArms : public testing::TestWithParam<OtherArmPose> {};

TEST_P(SpecialPosesOfOtherArms, AreNeverEmptyAndCoverIsolatedSolutions) {
  const auto [z1, x1, x2, y1] = GetParam().dimensions;
  const Crx robot = Crx::from_params(z1, x1, x2, y1);
  const JointVector& q = GetParam().q;
  const Pose target = *pose_from_row_major(pose_to_matrix(fk(robot, q))).pose;
  const std::vector<IkSolution> solutions = solve_ik(robot, target);
  ASSERT_FALSE(solutions.empty());
  for (const IkSolution& s : solutions)
    EXPECT_LE(max_abs_error(pose_error(robot, s.joints, target)), MAX_RESIDUAL);
  if (!testing_support::in_family_band(robot, q)) {
    EXPECT_TRUE(covers(robot, solutions, q, target));
  }
}

// Without lateral offset: the wrist straight, the arm stretched with it and the arm down the J1 axis
// came back empty from the circle search; the arm stretched up the axis with P a hair off it, and P
// a hair from the shoulder (z1 = x1, with and without x2), from first versions of the candidates
// built from P.
INSTANTIATE_TEST_SUITE_P(
    WithoutLateralOffset, SpecialPosesOfOtherArms,
    testing::Values(OtherArmPose{{540, 540, 160, 0},
                                 {60.028260913292115, -124.63466397562271, 21.342694474086414,
                                  22.079077824162624, 180.0, -162.69324512177684}},
                    OtherArmPose{{540, 540, 160, 0},
                                 {-117.7053263233249, 79.84349835125784, 10.156501396970953,
                                  37.56275709582718, 180.00001488560912, -155.4123248339069}},
                    OtherArmPose{{540, 540, 160, 0},
                                 {96.92341982357794, 0.0, -90.0, 106.22415440255429, 26.503999680047627,
                                  145.39833037518764}},
                    OtherArmPose{{540, 540, 160, 0},
                                 {-90.0, 1.311665930510871e-07, 90.0, 180.0, 90.0, 180.00000080737914}},
                    OtherArmPose{{540, 540, 160, 0},
                                 {-50.19496872286675, -167.43775061499247, 77.43775060396888,
                                  116.55006024416315, 113.86411656554111, 75.77112312843843}},
                    OtherArmPose{{540, 540, 0, 0},
                                 {-37.44051359538338, 23.775446346506442, -113.77544632898254,
                                  -16.241428798073343, 83.23786254625406, -57.01451584556659}}));

// With a lateral offset two to fifteen times the upper arm, the arm along the J1 axis or folded, P a
// few to a few hundred band widths from the axis: the constraint's roots there lay some 1e-2 rad of
// circle angle from the zeros they stood for, their circle points (y1 times that) too far from the
// axis for the scans around them, and the solution was lost.
INSTANTIATE_TEST_SUITE_P(
    WithLongLateralOffset, SpecialPosesOfOtherArms,
    testing::Values(OtherArmPose{{540, 540, 160, 1500},
                                 {-107.58231647401699, 0.0, -89.99955364591932, -12.72087958877745,
                                  -24.376220893106677, 43.88169818377821}},
                    OtherArmPose{{540, 540, 160, 1500},
                                 {-145.5541534932934, 180.0, 89.99911250368433, 147.19170131601953,
                                  -0.7310770746005346, 138.3764775086314}},
                    OtherArmPose{{540, 540, 160, 1500},
                                 {-180.0, -180.00000543260205, 90.011006674808712, -90.00012934043913, 180.0,
                                  -180.00370620862859}},
                    OtherArmPose{{540, 540, 160, 1100},
                                 {87.624548804396966, 0.0, -90.000276256278241, 103.28804832047649,
                                  174.86060281956503, -162.24609367057101}},
                    OtherArmPose{{540, 540, 1500, 1500},
                                 {-156.16591961333137, 180.0, 89.99963473193354, -147.12390549482762,
                                  168.12644706388733, 81.189352133829686}},
                    OtherArmPose{{100, 100, 160, 150},
                                 {-1.9885040436199688, 180.0, 90.000130512478307, -58.851730054792995,
                                  -1.950063479115272, 120.13756579671667}},
                    OtherArmPose{{10, 10, 160, 150},
                                 {-54.75172778375068, 0.0, -90.00212123911193, -33.28181945556045,
                                  177.77361546601253, -3.8639063978194486}},
                    OtherArmPose{{10, 10, 160, 150},
                                 {-152.08852109349354, 0.0, -89.99852679836505, -21.295118753021825,
                                  173.6002306397492, 75.63450991623154}},
                    OtherArmPose{{10, 10, 160, 150},
                                 {-38.792020345861545, -5.165099156886015, -84.75505008714737,
                                  -177.8929040445496, 59.61022357957475, 155.4742060222012}}));

}  // namespace
}  // namespace talvane
