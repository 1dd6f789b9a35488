#include "ik/solve_ik.hpp"

#include <algorithm>

#include "ik/circle_candidates.hpp"
#include "ik/damped_refine.hpp"
#include "ik/hard_pose_candidates.hpp"
#include "ik/ik_context.hpp"
#include "ik/reconstruct_joints.hpp"
#include "ik/refine_joints.hpp"

namespace talvane {

namespace {

constexpr std::size_t INITIAL_CAPACITY = 16;
// A polished vector that misses the target by at most this much is retried with the damped polisher.
constexpr double RESCUE_RESIDUAL = 1.0;

// A rebuilt joint vector whose polishing stalled, kept to be retried after the ordinary pass.
struct StalledStart {
  JointVector rebuilt;
  double theta;
  SolutionKind kind;
};

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
  std::vector<StalledStart> stalled;
  const CircleSearch search = search_circle(ctx);
  for (const CircleCandidate& candidate : search.candidates) {
    for (const JointVector& rebuilt : reconstruct_joints(ctx, candidate.elbow, candidate.circle_point)) {
      const JointVector joints = refine_joints(robot, rebuilt, target);
      const double residual = max_abs_error(pose_error(robot, joints, target));
      admit_solution(solutions, IkSolution{joints, residual, candidate.theta, candidate.kind});
      if (residual > MAX_RESIDUAL && residual <= RESCUE_RESIDUAL) {
        stalled.push_back({rebuilt, candidate.theta, candidate.kind});
      }
    }
  }
  // After every solution of the ordinary pass, so that those keep their places.
  for (const CircleCandidate& candidate : hard_pose_candidates(ctx, search)) {
    for (const JointVector& rebuilt : reconstruct_joints(ctx, candidate.elbow, candidate.circle_point)) {
      const JointVector joints = refine_joints(robot, rebuilt, target);
      const double residual = max_abs_error(pose_error(robot, joints, target));
      if (!admit_solution(solutions, IkSolution{joints, residual, candidate.theta, candidate.kind}) &&
          residual > MAX_RESIDUAL && residual <= RESCUE_RESIDUAL) {
        stalled.push_back({rebuilt, candidate.theta, candidate.kind});
      }
    }
  }
  for (const StalledStart& start : stalled) {
    const JointVector joints = refine_joints_damped(robot, start.rebuilt, target);
    const double residual = max_abs_error(pose_error(robot, joints, target));
    admit_solution(solutions, IkSolution{joints, residual, start.theta, start.kind});
  }
  return solutions;
}

}  // namespace talvane
