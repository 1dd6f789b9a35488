// Gauss–Newton polishing of a joint vector against the target pose.
#pragma once

#include <functional>

#include "ik/ik_context.hpp"

namespace talvane {

// At most 25 undamped steps on the twelve-element pose error, by Cholesky on the normal equations
// or, when those are ill-conditioned, least squares with the tiny singular directions left out;
// such steps that converge only linearly, as towards the double roots of singular poses, are
// extrapolated where that lowers the error, and the least-squares step after an extrapolated one is
// halved up to three times where it does not decrease the error. A step longer than 10° or one that
// does not decrease the largest error element ends the polishing; the best iterate is returned, so
// the result never has a larger error than the input.
JointVector refine_joints(const Crx& robot, const JointVector& joints, const Pose& target);

// The polished joints with their largest pose-error element, max_abs_error(pose_error(...)) of
// them, which the polishing has already computed; or, given up, where the polishing stopped.
struct RefinedJoints {
  JointVector joints;
  double residual;
  bool given_up = false;
};

// Asked after each least-squares step, with the joints it reached and its length (radians,
// largest joint): true gives the polishing up. At a singular pose those steps converge only
// linearly, so a start heading for a solution already listed can be told apart long before it
// arrives.
using GiveUpCheck = std::function<bool(const JointVector& joints, double step_length)>;

RefinedJoints refine_joints_with_error(const Crx& robot, const JointVector& joints, const Pose& target,
                                       const GiveUpCheck& give_up = {});

}  // namespace talvane
