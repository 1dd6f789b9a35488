// Whole-turn copies of a joint configuration: J + 360·k per joint, within the cell's limits.
#pragma once

#include <vector>

#include "cell/joint_limits.hpp"

namespace talvane {

// Appends every configuration J + 360·k (k an integer per joint) that satisfies `limits`, in
// ascending order (J1 first, then J2, ...). Without strokes the configuration itself is the only
// copy, kept bit for bit if it passes the J2 + J3 range. `limits` must be valid (limits_error).
void append_whole_turn_copies(const JointVector& joints, const JointLimits& limits,
                              std::vector<JointVector>& copies);

}  // namespace talvane
