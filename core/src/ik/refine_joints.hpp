// Gauss–Newton polishing of a joint vector against the target pose.
#pragma once

#include "ik/ik_context.hpp"

namespace talvane {

// At most 25 undamped steps on the twelve-element pose error, by Cholesky on the normal equations
// or, when those are ill-conditioned, SVD least squares. A step longer than 10° or one that does
// not decrease the largest error element ends the polishing; the best iterate is returned, so the
// result never has a larger error than the input.
JointVector refine_joints(const Crx& robot, const JointVector& joints, const Pose& target);

// The polished joints with their largest pose-error element, max_abs_error(pose_error(...)) of
// them, which the polishing has already computed.
struct RefinedJoints {
  JointVector joints;
  double residual;
};
RefinedJoints refine_joints_with_error(const Crx& robot, const JointVector& joints, const Pose& target);

}  // namespace talvane
