// A robot in a FANUC cell: its tool and user frames and its joint limits. An immutable value.
#pragma once

#include <optional>
#include <vector>

#include "cell/frames.hpp"
#include "cell/joint_limits.hpp"
#include "robot.hpp"

namespace talvane {

struct Cell {
  Crx robot;
  CellFrames frames;
  JointLimits limits;  // valid by limits_error
};

// The TCP pose in the user frame for `joints`.
Pose cell_fk(const Cell& cell, const JointVector& joints);

// Every configuration within the limits that puts the TCP at `tcp` (in the user frame): each
// solution of solve_ik for the flange target, in its order, expanded into its whole-turn copies.
// Without limits, exactly the joints solve_ik returns.
std::vector<JointVector> cell_ik(const Cell& cell, const Pose& tcp);

// Of cell_ik's configurations, the closest_configuration to `reference` (finite); nothing if none.
std::optional<JointVector> cell_ik_closest(const Cell& cell, const Pose& tcp, const JointVector& reference);

}  // namespace talvane
