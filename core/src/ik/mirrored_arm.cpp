#include "ik/mirrored_arm.hpp"

#include <cmath>
#include <numbers>

#include "angles.hpp"
#include "ik/ik_context.hpp"

namespace talvane {

namespace {

// A half turn, as close to zero as it goes for joints within ±360: J − 180 above 0, J + 180 else.
double half_turn(double degrees) { return degrees > 0.0 ? degrees - 180.0 : degrees + 180.0; }

Crx absolute_arm(const Crx& robot) {
  return Crx::from_params(std::abs(robot.z1()), std::abs(robot.x1()), std::abs(robot.x2()),
                          std::abs(robot.y1()));
}

}  // namespace

bool has_negative_dimension(const Crx& robot) {
  return robot.z1() < 0.0 || robot.x1() < 0.0 || robot.x2() < 0.0 || robot.y1() < 0.0;
}

Pose mirrored_target(const Crx& robot, const Pose& target) {
  if (!(robot.x2() < 0.0)) return target;
  // q ⊗ j, the half turn about the flange y axis: quaternion_multiply's terms with the zeros left out.
  const Quaternion& q = target.rotation;
  return Pose{Quaternion{-q.k, q.w, q.i, -q.j}, target.translation};
}

IkSolution mirrored_solution(const Crx& robot, const IkSolution& solution) {
  JointVector j = solution.joints;
  double theta = solution.theta;
  if (robot.x2() < 0.0) {
    j[4] = half_turn(j[4]);
    j[5] = -j[5];
    // The circle's x axis is negated: P = W + y1·N keeps its point at π − θ.
    theta = std::numbers::pi - theta;
  }
  if (robot.y1() < 0.0) {
    j[3] = half_turn(j[3]);
    j[4] = -j[4];
    j[5] = half_turn(j[5]);
    // y1·N(θ) = |y1|·N(θ + π).
    theta = theta + std::numbers::pi;
  }
  if (robot.x1() < 0.0) {
    j[2] = half_turn(j[2]);
    j[3] = -j[3];
    j[4] = half_turn(j[4]);
  }
  if (robot.z1() < 0.0) j[1] = half_turn(j[1]);
  if (theta != solution.theta) theta = wrap_angle(theta);
  return IkSolution{j, solution.residual, theta, solution.kind};
}

std::vector<IkSolution> solve_ik_mirrored(const Crx& robot, const Pose& target, IkPasses passes) {
  std::vector<IkSolution> solutions;
  for (const IkSolution& found : solve_ik(absolute_arm(robot), mirrored_target(robot, target), passes)) {
    IkSolution mapped = mirrored_solution(robot, found);
    mapped.residual = max_abs_error(pose_error(robot, mapped.joints, target));
    admit_solution(solutions, mapped);
  }
  return solutions;
}

}  // namespace talvane
