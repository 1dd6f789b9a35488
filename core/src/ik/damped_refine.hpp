// Levenberg–Marquardt polishing, for the starts at which the undamped steps stall.
//
// Where the Jacobian is rank-deficient or nearly so (the arm stretched or folded, the wrist
// straight, the arm next to a continuous family) the Gauss–Newton step is ruled by the tiny singular
// directions: it is refused as too long or as not decreasing the error, although the error there
// only grows quadratically with the distance from the solution. A damped step always decreases the
// error for a large enough damping, so this iteration still creeps along such flat valleys.
#pragma once

#include "ik/ik_context.hpp"

namespace talvane {

// At most a fixed number of damped steps; the iterate with the smallest largest error element is
// returned, so the result is never worse than the input.
JointVector refine_joints_damped(const Crx& robot, const JointVector& joints, const Pose& target);

}  // namespace talvane
