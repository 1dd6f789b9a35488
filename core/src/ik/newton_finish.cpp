#include "ik/newton_finish.hpp"

#include "fk.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/least_squares_step.hpp"
#include "ik/pose_error_jacobian.hpp"

namespace talvane {

namespace {

// Two steps reach the solution from the valley (quadratic convergence from there); the others only
// allow for a first step that lands less well.
constexpr int FINISH_STEPS = 4;

}  // namespace

JointVector finish_newton(const Crx& robot, const JointVector& joints, const Pose& target) {
  JointVector q = joints;
  PoseError e = pose_error(robot, q, target);
  JointVector best = q;
  double best_error = max_abs_error(e);
  for (int i = 0; i < FINISH_STEPS && !(best_error < CONVERGED_ERROR); ++i) {
    const std::optional<StepVector> delta = least_squares_step(pose_error_jacobian(robot, fk_all(robot, q)),
                                                               Eigen::Map<const ErrorVector>(e.data()));
    // Also refuses a NaN step.
    if (!delta || !(delta->cwiseAbs().maxCoeff<Eigen::PropagateNaN>() <= MAX_STEP_DEGREES)) break;
    for (int j = 0; j < 6; ++j) q[j] = q[j] + (*delta)(j);
    e = pose_error(robot, q, target);
    const double m = max_abs_error(e);
    if (m < best_error) {
      best = q;
      best_error = m;
    }
  }
  return best;
}

}  // namespace talvane
