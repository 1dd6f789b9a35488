// Candidates where the forearm point lies on the boundary of the arm's reach: upper arm and forearm
// in line, stretched (|P| = z1 + x1) or folded (|P| = |z1 − x1|).
//
// There both elbow branches meet (h = 0) and the constraint F has a double root, or a quadruple one
// where the circle only touches the boundary sphere. The root finder places such roots only to
// about the square or fourth root of the rounding error, and the branch residuals, which grow like
// the square root of the distance from the boundary, cannot be refined from there. The angles at
// which the circle meets a boundary sphere, or comes closest to it, follow in closed form from a
// first-degree trigonometric equation instead, and the elbows there are the in-line ones.
#pragma once

#include <vector>

#include "ik/circle_candidates.hpp"

namespace talvane {

enum class ReachBoundary { Stretched, Folded };

// Appends regular candidates at the angles where the circle meets `boundary`, whose branch residual
// is small enough for the joint polishing to finish the job, and the zeros next to them; nothing for
// a target away from it.
void append_reach_boundary_candidates(const IkContext& ctx, ReachBoundary boundary,
                                      std::vector<CircleCandidate>& candidates);

}  // namespace talvane
