// Inverse kinematics: every joint configuration that puts the flange at a target pose.
#pragma once

#include <cstdint>
#include <vector>

#include "ik/solution_kind.hpp"
#include "pose.hpp"
#include "robot.hpp"

namespace talvane {

struct IkSolution {
  // J1..J6 in controller degrees, as polished (not re-wrapped).
  JointVector joints;
  // Largest absolute element difference between this solution's pose and the target.
  double residual;
  // The wrist-circle angle that produced the solution, radians; kept for diagnostics.
  double theta;
  SolutionKind kind;
};

// A solution is accepted when its residual is at most this (rotation entries and mm alike).
inline constexpr double MAX_RESIDUAL = 1e-8;
// Solutions closer than this (radians, wrapped, in every joint) are one solution.
inline constexpr double DUPLICATE_DISTANCE = 1e-5;

// Which of its passes solve_ik runs.
enum class IkPasses : std::uint8_t {
  // The ordinary pass over the circle search's candidates, then the searches of hard poses.
  All,
  // The ordinary pass alone, whose rows lead every result: for benchmarks that time it apart and
  // tests that check that order.
  OrdinaryOnly,
};

// Every solution, verified to MAX_RESIDUAL and de-duplicated, grouped by circle candidate in the
// circle search's order and within a candidate the first reconstruction before its twin; the rows
// that only the searches of hard poses find come after all of those. An unreachable or non-finite
// target gives an empty list.
std::vector<IkSolution> solve_ik(const Crx& robot, const Pose& target, IkPasses passes = IkPasses::All);

// The acceptance step of the pipeline: appends the solution unless its residual exceeds
// MAX_RESIDUAL (or is NaN) or it lies within DUPLICATE_DISTANCE of one already in the list.
// Returns whether it was appended.
bool admit_solution(std::vector<IkSolution>& solutions, const IkSolution& candidate);

}  // namespace talvane
