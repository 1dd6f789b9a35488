// The configuration needing the least joint motion from a reference, by the plain (not wrapped)
// largest joint difference: within a cell's limits whole turns are physical motion.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "robot.hpp"

namespace talvane {

// The largest |a[j] − b[j]| over the six joints (degrees) and the first joint that has it.
struct JointDifference {
  std::size_t joint;
  double degrees;
};
JointDifference largest_joint_difference(const JointVector& a, const JointVector& b);

// The index of the configuration with the smallest largest_joint_difference to `reference`, ties
// going to the first; nothing for an empty list. The reference must be finite.
std::optional<std::size_t> closest_configuration(std::span<const JointVector> configurations,
                                                 const JointVector& reference);

}  // namespace talvane
