// The solution that needs the least joint movement from a reference configuration.
#pragma once

#include <optional>

#include "ik/solve_ik.hpp"

namespace talvane {

// The largest wrapped joint difference between the solution and the reference, radians, in
// [0, π]: every joint weighs the same, whole turns count as no movement, and a joint whose
// difference is NaN does not count.
double joint_distance(const IkSolution& solution, const JointVector& reference);

// The solution of `solve_ik` nearest the reference by `joint_distance`; ties go to the one listed
// first. Nothing for an unreachable target.
std::optional<IkSolution> closest_solution(const Crx& robot, const Pose& target,
                                           const JointVector& reference);

}  // namespace talvane
