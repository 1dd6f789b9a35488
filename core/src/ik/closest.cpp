#include "ik/closest.hpp"

#include <cmath>

#include "fatal_error.hpp"
#include "ik/ik_context.hpp"

namespace talvane {

double joint_distance(const IkSolution& solution, const JointVector& reference) {
  return circular_joint_distance(solution.joints, reference);
}

std::optional<IkSolution> closest_solution(const Crx& robot, const Pose& target,
                                           const JointVector& reference) {
  const std::vector<IkSolution> solutions = solve_ik(robot, target);
  if (solutions.empty()) return std::nullopt;
  std::size_t best = 0;
  for (std::size_t i = 1; i < solutions.size(); ++i) {
    const double best_distance = joint_distance(solutions[best], reference);
    const double distance = joint_distance(solutions[i], reference);
    if (std::isnan(best_distance) || std::isnan(distance)) {
      // Distances skip NaN differences, so this cannot happen.
      fatal_internal_error("joint distances are finite");
    }
    if (best_distance > distance) best = i;
  }
  return solutions[best];
}

}  // namespace talvane
