// A joint path through a sequence of TCP poses that never switches configuration silently.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "cell/cell.hpp"

namespace talvane {

// Where and why a path stops.
struct PathBreak {
  enum class Reason { NoConfiguration, StepTooLarge };
  Reason reason;
  std::size_t index;  // of the pose that could not be reached, or reached only by too large a step
  std::size_t joint;  // StepTooLarge: the joint moving most (0..5)
  double step;        // StepTooLarge: how far it would move, degrees
};

// Either the whole path or the first break, never a part of a path.
struct JointPath {
  std::vector<JointVector> joints;
  std::optional<PathBreak> failure;
};

// Point i is cell_ik_closest of pose i with point i − 1 as the reference (point 0: `start`, which
// must be finite). The path breaks at the first pose without a configuration within the limits,
// or the first point where some joint moves more than `max_step` degrees from the one before.
JointPath walk_path(const Cell& cell, std::span<const Pose> tcp_poses, const JointVector& start,
                    double max_step);

}  // namespace talvane
