#include "ik/solve_ik.hpp"

#include <algorithm>

#include "ik/circle_candidates.hpp"
#include "ik/ik_context.hpp"
#include "ik/reconstruct_joints.hpp"
#include "ik/refine_joints.hpp"

namespace talvane {

namespace {

constexpr std::size_t INITIAL_CAPACITY = 16;

}  // namespace

bool admit_solution(std::vector<IkSolution>& solutions, const IkSolution& candidate) {
  // Written so that a NaN residual is refused.
  if (!(candidate.residual <= MAX_RESIDUAL)) return false;
  const bool duplicate = std::any_of(solutions.begin(), solutions.end(), [&](const IkSolution& kept) {
    return circular_joint_distance(candidate.joints, kept.joints) < DUPLICATE_DISTANCE;
  });
  if (duplicate) return false;
  solutions.push_back(candidate);
  return true;
}

std::vector<IkSolution> solve_ik(const Crx& robot, const Pose& target) {
  std::vector<IkSolution> solutions;
  solutions.reserve(INITIAL_CAPACITY);
  const IkContext ctx = make_ik_context(robot, target);
  for (const CircleCandidate& candidate : circle_candidates(ctx)) {
    for (const JointVector& rebuilt : reconstruct_joints(ctx, candidate.elbow, candidate.circle_point)) {
      const JointVector joints = refine_joints(robot, rebuilt, target);
      const double residual = max_abs_error(pose_error(robot, joints, target));
      admit_solution(solutions, IkSolution{joints, residual, candidate.theta, candidate.kind});
    }
  }
  return solutions;
}

}  // namespace talvane
