#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <random>

#include "fk.hpp"
#include "ik/axis_crossings.hpp"
#include "ik/circle_candidates.hpp"
#include "ik/elbow.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/roots/trig_roots.hpp"
#include "ik/wrist_circle.hpp"

namespace talvane {
namespace {

constexpr double PI = std::numbers::pi;

double distance(const Vec3& a, const Vec3& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); }

const std::array<JointVector, 4> GENERIC_JOINTS{{
    {20, 30, -40, 50, 60, 70},
    {-75, 10, 25, -120, 35, 160},
    {140, -45, -10, 80, -100, -20},
    {5, 60, -80, 170, 15, -90},
}};

TEST(CircleConstraint, IsADegreeFourTrigonometricPolynomial) {
  for (const CrxModel model : {CrxModel::Crx3iA, CrxModel::Crx10iA, CrxModel::Crx30iA}) {
    const Crx robot = Crx::from_model(model);
    for (const JointVector& q : GENERIC_JOINTS) {
      const IkContext ctx = make_ik_context(robot, fk(robot, q));
      // 64-point DFT: harmonics 5..32 must vanish up to rounding.
      std::array<double, 64> samples{};
      double largest = 0.0;
      for (int i = 0; i < 64; ++i) {
        samples[i] = circle_constraint(ctx, i * 2.0 * PI / 64.0);
        largest = std::max(largest, std::abs(samples[i]));
      }
      for (int k = 0; k <= 32; ++k) {
        std::complex<double> sum = 0.0;
        for (int i = 0; i < 64; ++i) sum += samples[i] * std::polar(1.0, -2.0 * PI * k * i / 64.0);
        if (k > 4) {
          EXPECT_LT(std::abs(sum) / 64.0, 1e-14 * largest) << "harmonic " << k;
        }
      }
      // The interpolated polynomial reproduces F off the sample grid.
      const TrigPolynomial f = interpolate_constraint(ctx);
      for (const double theta : {-3.0, -1.234, 0.1, 0.77, 2.5, 3.1}) {
        EXPECT_NEAR(evaluate(f, theta), circle_constraint(ctx, theta), 1e-14 * largest) << theta;
      }
    }
  }
}

TEST(CircleCandidates, GenericPoseHasTheElbowAndForearmPointOfItsJoints) {
  for (const CrxModel model : {CrxModel::Crx5iA, CrxModel::Crx10iAL, CrxModel::Crx30iA}) {
    const Crx robot = Crx::from_model(model);
    for (const JointVector& q : GENERIC_JOINTS) {
      const IkContext ctx = make_ik_context(robot, fk(robot, q));
      EXPECT_TRUE(special_angles(ctx).empty());
      const std::vector<CircleCandidate> candidates = circle_candidates(ctx);
      const Vec3 elbow = fk_all(robot, q)[2].translation;
      const Vec3 p = forearm_point(robot, q);
      const CircleCandidate* best = nullptr;
      for (const CircleCandidate& c : candidates) {
        EXPECT_EQ(c.kind, SolutionKind::Regular);
        if (!best || distance(c.elbow, elbow) < distance(best->elbow, elbow)) best = &c;
        // Every candidate's geometry holds: elbow at z1 from the shoulder, x1 from P, forearm ⟂ N.
        EXPECT_NEAR(std::hypot(c.elbow[0], c.elbow[1], c.elbow[2]), robot.z1(), 1e-9);
        EXPECT_NEAR(distance(c.elbow, c.circle_point), robot.x1(), 1e-9);
        EXPECT_NEAR(distance(c.circle_point, ctx.wrist_center), robot.y1(), 1e-9);
      }
      ASSERT_NE(best, nullptr);
      EXPECT_LT(distance(best->elbow, elbow), 1e-9);
      EXPECT_LT(distance(best->circle_point, p), 1e-9);
    }
  }
}

TEST(CircleCandidates, UnreachableTargetHasNone) {
  const Crx robot = Crx::from_params(540, 540, 160, 150);
  const IkContext ctx = make_ik_context(robot, Pose{IDENTITY_ROTATION, {2000.0, 0.0, 0.0}});
  // F does vanish, where V and D vanish together, but no elbow exists there.
  const std::vector<double> roots = trig_roots(interpolate_constraint(ctx));
  ASSERT_FALSE(roots.empty());
  for (const double expected : {-1.6459, 1.6459}) {
    EXPECT_TRUE(std::any_of(roots.begin(), roots.end(), [&](double r) {
      return std::abs(r - expected) < 1e-3;
    })) << expected;
  }
  EXPECT_TRUE(circle_candidates(ctx).empty());
}

TEST(SolveCosSin, Cases) {
  using Kind = CosSinSolutions::Kind;
  EXPECT_EQ(solve_cos_sin(0, 0, 0).kind, Kind::Every);
  EXPECT_EQ(solve_cos_sin(0, 0, 1).kind, Kind::None);
  EXPECT_EQ(solve_cos_sin(1, 0, 1.000000000002).kind, Kind::None);
  EXPECT_EQ(solve_cos_sin(std::nan(""), 0, 1).kind, Kind::None);
  for (const double a : {1.0, 1.0000000000005}) {
    const CosSinSolutions s = solve_cos_sin(1, 0, a);
    ASSERT_EQ(s.kind, Kind::Angles);
    ASSERT_EQ(s.count, 1);
    EXPECT_EQ(s.angles[0], 0.0);
  }
  // 2·sin φ = 1: φ = π/6 and 5π/6, the base π/2 plus then minus π/3.
  const CosSinSolutions s = solve_cos_sin(0, 2, 1);
  ASSERT_EQ(s.count, 2);
  EXPECT_NEAR(s.angles[0], 5 * PI / 6, 1e-15);
  EXPECT_NEAR(s.angles[1], PI / 6, 1e-15);
}

TEST(ElbowFor, SignsAndReach) {
  const Crx robot = Crx::crx10ia();
  const IkContext ctx = make_ik_context(robot, IDENTITY_POSE);
  const Vec3 p{600.0, 0.0, 0.0};
  const auto up = elbow_for(ctx, p, +1.0, 0.0);
  const auto down = elbow_for(ctx, p, -1.0, 0.0);
  ASSERT_TRUE(up && down);
  EXPECT_GT((*up)[2], 0.0);
  EXPECT_LT((*down)[2], 0.0);
  EXPECT_NEAR((*up)[0], 300.0, 1e-12);
  // On the J1 axis there is no arm plane; beyond z1 + x1 there is no elbow.
  EXPECT_FALSE(elbow_for(ctx, Vec3{0.0, 0.0, 600.0}, 1.0, 0.0));
  EXPECT_FALSE(elbow_for(ctx, Vec3{1080.001, 0.0, 0.0}, 1.0, 0.0));
  // Just out of reach, the tolerance factor admits it with h = 0.
  const auto stretched = elbow_for(ctx, Vec3{1080.0001, 0.0, 0.0}, 1.0, 1e-6);
  ASSERT_TRUE(stretched);
  EXPECT_EQ((*stretched)[2], 0.0);
}

// Both branches at once must be the single-branch residuals bit for bit, the invalid ones included:
// the scans that use the pair and the searches that use one branch must agree on every zero.
TEST(BranchResiduals, BothAtOnceAreTheSingleOnesBitForBit) {
  const Crx robot = Crx::crx10ia();
  const IkContext ctx = make_ik_context(robot, fk(robot, GENERIC_JOINTS[0]));
  const double z1 = robot.z1();
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const auto same = [](const BranchResidual& a, const BranchResidual& b) {
    return a.valid == b.valid &&
           std::bit_cast<std::uint64_t>(a.value) == std::bit_cast<std::uint64_t>(b.value);
  };
  int valid = 0;
  int invalid = 0;
  for (int i = 0; i < 4000; ++i) {
    // Distances from the J1 axis from far inside the bands to beyond reach, so that every exit is met.
    const double rho = z1 * std::pow(10.0, 6.0 * unit(rng) - 6.0) * 3.0;
    const double azimuth = PI * unit(rng);
    const Vec3 p{rho * std::cos(azimuth), rho * std::sin(azimuth),
                 z1 * std::pow(10.0, 3.0 * unit(rng) - 3.0) * unit(rng)};
    const Vec3 n = offset_direction(ctx, PI * unit(rng));
    for (const double share : {AXIS_TOLERANCE, NEAR_AXIS_SHARE}) {
      const BranchResiduals both = branch_residuals_of(ctx, n, p, arm_triangle(ctx, p), share);
      const BranchResidual plus = branch_residual_at(ctx, n, p, +1.0, share);
      EXPECT_TRUE(same(both.plus, plus)) << i;
      EXPECT_TRUE(same(both.minus, branch_residual_at(ctx, n, p, -1.0, share))) << i;
      ++(plus.valid ? valid : invalid);
    }
  }
  EXPECT_GT(valid, 500);
  EXPECT_GT(invalid, 500);
}

TEST(CircleCandidates, AxisDegenerateWorkedCase) {
  const Crx robot = Crx::crx10ia();
  const IkContext ctx = make_ik_context(robot, fk(robot, JointVector{0, -30, 60, 40, 50, 60}));
  const std::vector<double> specials = special_angles(ctx);
  ASSERT_EQ(specials.size(), 1u);
  EXPECT_NEAR(specials[0], -PI / 6, 1e-4);
  const std::vector<CircleCandidate> candidates = circle_candidates(ctx);
  ASSERT_EQ(candidates.size(), 6u);
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    EXPECT_EQ(candidates[i].kind, i < 2 ? SolutionKind::AxisDegenerate : SolutionKind::Regular) << i;
    // No Regular candidate comes from a root next to the special angle.
    if (i >= 2) {
      EXPECT_GE(std::abs(wrap_angle(candidates[i].theta - specials[0])), 1e-5);
    }
  }
}

TEST(CircleCandidates, StretchedAlongTheAxisIsOneSingularFamilyCandidate) {
  const Crx robot = Crx::crx10ia();
  const IkContext ctx = make_ik_context(robot, fk(robot, JointVector{0, 0, 90, 30, 40, 50}));
  const std::vector<CircleCandidate> candidates = circle_candidates(ctx);
  ASSERT_FALSE(candidates.empty());
  EXPECT_EQ(candidates[0].kind, SolutionKind::SingularFamily);
  EXPECT_NEAR(candidates[0].theta, -0.6981, 1e-4);
  EXPECT_NEAR(candidates[0].elbow[2], 540.0, 1e-6);
  EXPECT_EQ(candidates[0].elbow[0], 0.0);
  EXPECT_EQ(std::count_if(candidates.begin(), candidates.end(),
                          [](const CircleCandidate& c) { return c.kind != SolutionKind::Regular; }),
            1);
}

TEST(CircleCandidates, CirclePointAtTheShoulder) {
  // Upper arm vertical and forearm straight down: with z1 = x1 the forearm point is the shoulder.
  const JointVector q{0, 0, -90, 30, 40, 50};
  const Crx robot = Crx::crx10ia();
  const Pose target = fk(robot, q);
  {
    const IkContext ctx = make_ik_context(robot, target);
    const std::vector<CircleCandidate> candidates = circle_candidates(ctx);
    ASSERT_FALSE(candidates.empty());
    const CircleCandidate& c = candidates[0];
    EXPECT_EQ(c.kind, SolutionKind::SingularFamily);
    EXPECT_LT(std::hypot(c.circle_point[0], c.circle_point[1], c.circle_point[2]), 1e-6 * robot.z1());
    EXPECT_NEAR(std::hypot(c.elbow[0], c.elbow[1], c.elbow[2]), robot.z1(), 1e-9);
    const Vec3 n = offset_direction(ctx, c.theta);
    EXPECT_NEAR(c.elbow[0] * n[0] + c.elbow[1] * n[1] + c.elbow[2] * n[2], 0.0, 1e-9);
  }
  {
    // Same wrist circle, but a forearm longer than the upper arm cannot reach back to the shoulder.
    const Crx longer = Crx::from_params(540, 560, 160, 150);
    const IkContext ctx = make_ik_context(longer, target);
    ASSERT_FALSE(special_angles(ctx).empty());
    for (const CircleCandidate& c : circle_candidates(ctx)) EXPECT_NE(c.kind, SolutionKind::SingularFamily);
  }
}

TEST(CircleCandidates, NonFiniteTargetHasNone) {
  const Crx robot = Crx::crx10ia();
  Pose target = fk(robot, GENERIC_JOINTS[0]);
  target.translation[1] = std::nan("");
  EXPECT_TRUE(circle_candidates(make_ik_context(robot, target)).empty());
  target.translation[1] = INFINITY;
  EXPECT_TRUE(circle_candidates(make_ik_context(robot, target)).empty());
}

}  // namespace
}  // namespace talvane
