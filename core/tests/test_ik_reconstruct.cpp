#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "fk.hpp"
#include "ik/ik_context.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/reconstruct_joints.hpp"
#include "ik/refine_joints.hpp"
#include "vec3.hpp"

namespace talvane {
namespace {

struct Geometry {
  Pose target;
  Vec3 elbow;
  Vec3 circle_point;
  double theta;
};

Geometry geometry_of(const Crx& robot, const JointVector& q) {
  const Frames frames = fk_all(robot, q);
  const Vec3 axis = quaternion_rotate(frames[3].rotation, Vec3{1.0, 0.0, 0.0});
  const Vec3& e = frames[2].translation;
  // N(θ), from W to P: the link after J4's y axis, whatever the length of y1.
  const Vec3 n = quaternion_rotate(frames[3].rotation, Vec3{0.0, 1.0, 0.0});
  const Vec3 tool_x = quaternion_rotate(frames[5].rotation, Vec3{1.0, 0.0, 0.0});
  const Vec3 tool_y = quaternion_rotate(frames[5].rotation, Vec3{0.0, 1.0, 0.0});
  return {frames[5], e,
          Vec3{e[0] + robot.x1() * axis[0], e[1] + robot.x1() * axis[1], e[2] + robot.x1() * axis[2]},
          std::atan2(dot(n, tool_y), dot(n, tool_x))};
}

double max_pose_difference(const Crx& robot, const JointVector& a, const JointVector& b) {
  return max_abs_error(pose_error(robot, a, fk(robot, b)));
}

struct Random {
  std::uint64_t state;
  double uniform(double lo, double hi) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return lo + (hi - lo) * static_cast<double>(state >> 11) * 0x1.0p-53;
  }
};

TEST(ReconstructJoints, RoundTripAndTwin) {
  Random random{42};
  for (const CrxModel model : {CrxModel::Crx3iA, CrxModel::Crx10iA, CrxModel::Crx30iA}) {
    const Crx robot = Crx::from_model(model);
    for (int n = 0; n < 300; ++n) {
      JointVector q;
      for (double& j : q) j = random.uniform(-180.0, 180.0);
      // The forearm elevation J2 + J3 must itself lie in [−180, 180) to come back unchanged.
      q[2] = random.uniform(-180.0, 180.0) - q[1];
      if (q[1] + q[2] >= 180.0 || q[1] + q[2] < -180.0) continue;
      const Geometry g = geometry_of(robot, q);
      const IkContext ctx = make_ik_context(robot, g.target);
      const auto [first, second] = reconstruct_joints(ctx, g.elbow, g.circle_point, g.theta);
      // J1 faces P in the first vector; q comes back as the first or the second accordingly.
      const double facing =
          std::cos(q[0] * DEG_TO_RAD) * g.circle_point[0] + std::sin(q[0] * DEG_TO_RAD) * g.circle_point[1];
      const JointVector& same = facing > 0.0 ? first : second;
      for (int j = 0; j < 6; ++j) EXPECT_NEAR(same[j], q[j], 1e-9) << n << " joint " << j;
      // The twin: J1 and J4 turned by 180°, J2 mirrored, J5 and J6 kept, the same flange pose.
      EXPECT_NEAR(std::abs(wrap_angle((second[0] - first[0]) * DEG_TO_RAD)), std::numbers::pi, 1e-12);
      EXPECT_NEAR(std::abs(wrap_angle((second[3] - first[3]) * DEG_TO_RAD)), std::numbers::pi, 1e-12);
      EXPECT_NEAR(wrap_angle((second[1] + first[1]) * DEG_TO_RAD), 0.0, 1e-12);
      EXPECT_EQ(second[4], first[4]);
      EXPECT_EQ(second[5], first[5]);
      EXPECT_LT(max_pose_difference(robot, first, second), 1e-9);
      for (const JointVector& v : {first, second}) {
        for (const int j : {0, 1, 3, 4, 5}) {
          EXPECT_GE(v[j], -180.0);
          EXPECT_LT(v[j], 180.0);
        }
      }
    }
  }
}

TEST(ReconstructJoints, ThirdJointIsNotRewrapped) {
  const Crx robot = Crx::crx10ia();
  // Forearm elevation α = 170° with J2 = −170°: controller J3 = 340°, not −20°.
  const JointVector q{10, -170, 340, 20, 30, 40};
  const Geometry g = geometry_of(robot, q);
  const auto [first, second] =
      reconstruct_joints(make_ik_context(robot, g.target), g.elbow, g.circle_point, g.theta);
  for (int j = 0; j < 6; ++j) EXPECT_NEAR(first[j], q[j], 1e-9) << j;
  // The twin: (180° − 170°) − 170° = −160°.
  EXPECT_NEAR(second[2], -160.0, 1e-9);
}

TEST(ReconstructJoints, AzimuthFallbacks) {
  const Crx robot = Crx::crx10ia();
  // Both points on the J1 axis (upper arm and forearm vertical): J1 = 0, and −180 for the twin.
  const JointVector q{0, 0, 90, 30, 40, 50};
  const Geometry g = geometry_of(robot, q);
  const IkContext ctx = make_ik_context(robot, g.target);
  const auto [first, second] = reconstruct_joints(ctx, g.elbow, g.circle_point, g.theta);
  EXPECT_EQ(first[0], 0.0);
  EXPECT_EQ(second[0], -180.0);
  for (int j = 1; j < 6; ++j) EXPECT_NEAR(first[j], q[j], 1e-9) << j;

  // At exactly z1·1e-6 from the axis P counts as on it and J1 comes from the elbow; just beyond
  // it, from P.
  const double tol = robot.z1() * 1e-6;
  const Vec3 elbow{0.0, 300.0, 400.0};
  EXPECT_NEAR(reconstruct_joints(ctx, elbow, Vec3{tol, 0.0, 900.0}, g.theta)[0][0], 90.0, 1e-12);
  EXPECT_EQ(reconstruct_joints(ctx, elbow, Vec3{std::nextafter(tol, 1.0), 0.0, 900.0}, g.theta)[0][0], 0.0);
}

TEST(RefineJoints, ConvergedInputIsReturnedUnchanged) {
  const Crx robot = Crx::crx5ia();
  const JointVector q{12.5, -33.0, 47.25, 100.0, -60.0, 10.0};
  EXPECT_EQ(refine_joints(robot, q, fk(robot, q)), q);
}

TEST(RefineJoints, ConvergesFromNearbyAndNeverWorsens) {
  Random random{7};
  const Crx robot = Crx::crx10ia();
  for (int n = 0; n < 200; ++n) {
    JointVector q;
    for (double& j : q) j = random.uniform(-180.0, 180.0);
    const Pose target = fk(robot, q);
    JointVector start = q;
    const double size = n < 100 ? 0.5 : 20.0;
    for (double& j : start) j += random.uniform(-size, size);
    const JointVector refined = refine_joints(robot, start, target);
    const double before = max_abs_error(pose_error(robot, start, target));
    const double after = max_abs_error(pose_error(robot, refined, target));
    EXPECT_LE(after, before);
    if (n < 100) {
      EXPECT_LT(after, 1e-10) << n;
    }
  }
}

TEST(RefineJoints, ConvergesWhereTheNormalEquationsAreSingular) {
  // Upper arm and forearm vertical: J1 (about +z) and J4 (about −z here) turn about one line, so
  // JᵀJ is singular and the steps come from the least-squares solve.
  const Crx robot = Crx::crx10ia();
  const JointVector q{0, 0, 90, 30, 40, 50};
  JointVector start = q;
  start[0] += 0.3;
  start[3] += 0.2;
  const Pose target = fk(robot, q);
  const JointVector refined = refine_joints(robot, start, target);
  EXPECT_LT(max_abs_error(pose_error(robot, refined, target)), 1e-10);
  EXPECT_NEAR(refined[0] - refined[3], q[0] - q[3], 1e-6);
}

// The give-up check is asked after steps through the SVD fallback only, so polishing that the
// Cholesky steps carry (every ordinary target) is never cut short; and a check that says yes stops
// the polishing where it is.
TEST(RefineJoints, AsksWhetherToGiveUpOnlyAfterSvdSteps) {
  const Crx robot = Crx::crx10ia();
  int asked = 0;
  const GiveUpCheck count_and_go_on = [&](const JointVector&, double) { return ++asked, false; };
  const JointVector ordinary{10, 20, -30, 40, 50, 60};
  JointVector start = ordinary;
  start[1] += 0.5;
  EXPECT_FALSE(refine_joints_with_error(robot, start, fk(robot, ordinary), count_and_go_on).given_up);
  EXPECT_EQ(asked, 0);

  const JointVector singular{0, 0, 90, 30, 40, 50};
  start = singular;
  start[0] += 0.3;
  start[3] += 0.2;
  const Pose target = fk(robot, singular);
  const RefinedJoints plain = refine_joints_with_error(robot, start, target, count_and_go_on);
  EXPECT_FALSE(plain.given_up);
  EXPECT_GT(asked, 1);

  const RefinedJoints stopped =
      refine_joints_with_error(robot, start, target, [](const JointVector&, double) { return true; });
  EXPECT_TRUE(stopped.given_up);
  EXPECT_GT(stopped.residual, plain.residual);
  EXPECT_LT(stopped.residual, max_abs_error(pose_error(robot, start, target)));
}

// With the arm stretched and the wrist straight the solution is a double root of the pose error,
// towards which plain SVD steps only halve the distance: 17 of them from this start.
TEST(RefineJoints, ExtrapolatesStepsThatConvergeLinearly) {
  const Crx robot = Crx::crx10ia();
  const JointVector stretched_wrist_straight{10, 20, 70, 40, 0, 60};
  JointVector start = stretched_wrist_straight;
  for (double& joint : start) joint += 0.1;
  int svd_steps = 0;
  const RefinedJoints refined =
      refine_joints_with_error(robot, start, fk(robot, stretched_wrist_straight),
                               [&](const JointVector&, double) { return ++svd_steps, false; });
  EXPECT_LT(refined.residual, CONVERGED_ERROR);
  EXPECT_LE(svd_steps, 8);
}

// Stretched down the J1 axis with P 0.08 mm off it (an arm of its own): the extrapolated step lands
// next to the near-double root, and the plain step after it overshoots the root. Ending the polish
// there left it at 7e-8, short of the acceptance bound, and no other start reached q.
TEST(RefineJoints, HalvesAnOvershootingStepAfterAnExtrapolatedOne) {
  const Crx robot =
      Crx::from_params(354.7059996317447, 307.54442843186246, 199.4075421822177, 166.4227698015);
  const JointVector q{5.26382886014214e-08, -179.9869888898911,  -89.99975415554854,
                      -0.02146935366206576, -113.37615215426936, 180.0000003322724};
  const JointVector start{0.000245174,  -179.862495245, 270.143990166,
                          -0.022011289, -113.519896466, 179.999831904};
  const RefinedJoints refined = refine_joints_with_error(robot, start, fk(robot, q));
  EXPECT_LT(refined.residual, CONVERGED_ERROR);
  EXPECT_LT(circular_joint_distance(refined.joints, q), 1e-5);
}

TEST(RefineJoints, NonFiniteTargetLeavesInputUnchanged) {
  const Crx robot = Crx::crx10ia();
  const JointVector q{10, 20, -30, 40, 50, 60};
  Pose target = fk(robot, q);
  target.translation[2] = std::nan("");
  EXPECT_EQ(refine_joints(robot, q, target), q);
}

}  // namespace
}  // namespace talvane
