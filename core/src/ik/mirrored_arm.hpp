// Arms with negative link dimensions, solved as the arm with their absolute values.
//
// The circle search, its elbows and the closed-form joints are written for dimensions that point
// the way the catalogued arms' do; with any of them negative they find nothing. Each sign is an
// exact symmetry of the chain instead: negating z1 is J2 turned by a half turn; x1, J3 by a half
// turn with J4 negated and J5 turned by a half turn; y1, J4 by a half turn with J5 negated and J6
// turned by a half turn; x2, J5 by a half turn and J6 negated, with the target's flange x and z
// axes negated. So the arm of absolute values is solved once and its rows are mapped.
#pragma once

#include <vector>

#include "ik/solve_ik.hpp"
#include "pose.hpp"
#include "robot.hpp"

namespace talvane {

// Whether some dimension is below zero (not −0, not NaN).
bool has_negative_dimension(const Crx& robot);

// The target `target` of `robot` as the arm of absolute dimensions sees it: the rotation turned by
// a half turn about the flange y axis where x2 < 0, exactly (a permutation of the quaternion's
// components with signs).
Pose mirrored_target(const Crx& robot, const Pose& target);

// One solution of the arm of absolute dimensions (at `mirrored_target`) as the solution of `robot`:
// the joints mapped as above (half turns kept within (−180, 180] from joints within ±360), theta
// the same circle point's angle on `robot`'s circle, the kind unchanged. The residual is left to
// the caller, which measures it on `robot`.
IkSolution mirrored_solution(const Crx& robot, const IkSolution& solution);

// solve_ik for an arm with a negative dimension: the rows of the arm of absolute dimensions, mapped,
// measured on `robot` against `target`, and admitted in their order.
std::vector<IkSolution> solve_ik_mirrored(const Crx& robot, const Pose& target, IkPasses passes);

}  // namespace talvane
