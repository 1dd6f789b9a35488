#include "cell/cell.hpp"

#include "cell/closest_configuration.hpp"
#include "cell/whole_turns.hpp"
#include "fk.hpp"
#include "ik/solve_ik.hpp"

namespace talvane {

Pose cell_fk(const Cell& cell, const JointVector& joints) {
  return tcp_from_flange(cell.frames, fk(cell.robot, joints));
}

std::vector<JointVector> cell_ik(const Cell& cell, const Pose& tcp) {
  const std::vector<IkSolution> solutions = solve_ik(cell.robot, flange_from_tcp(cell.frames, tcp));
  std::vector<JointVector> configurations;
  for (const IkSolution& solution : solutions) {
    append_whole_turn_copies(solution.joints, cell.limits, configurations);
  }
  return configurations;
}

std::optional<JointVector> cell_ik_closest(const Cell& cell, const Pose& tcp, const JointVector& reference) {
  const std::vector<JointVector> configurations = cell_ik(cell, tcp);
  const std::optional<std::size_t> closest = closest_configuration(configurations, reference);
  if (!closest) return std::nullopt;
  return configurations[*closest];
}

}  // namespace talvane
