// Plain Newton steps that finish a polish left in a flat valley.
//
// Next to a nearly singular solution (the arm folded onto a sphere of micrometres, the wrist nearly
// straight) the error along the valley is second order in the distance, and the damped polish stops
// where it no longer decreases, short of the exact solution (2e-5 rad off at 6e-11, say). The full
// Newton step across the valley lands next to the solution, but on the way there the largest error
// element first rises (to 4e-8 in that example), so every polish that insists on descent refuses it.
// Steps taken whatever they do to the error land on the solution in two.
#pragma once

#include "ik/ik_context.hpp"

namespace talvane {

// At most a few least-squares steps from `joints`, none of them tested for descent; the iterate with
// the smallest largest error element is returned, so the result is never worse than the input.
JointVector finish_newton(const Crx& robot, const JointVector& joints, const Pose& target);

}  // namespace talvane
