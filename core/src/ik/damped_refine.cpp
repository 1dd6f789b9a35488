#include "ik/damped_refine.hpp"

#include <Eigen/Cholesky>
#include <algorithm>

#include "fk.hpp"
#include "ik/ik_context.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/pose_error_jacobian.hpp"

namespace talvane {

namespace {

constexpr int MAX_ITERATIONS = 80;
// Each iteration raises the damping at most this many times before it gives up.
constexpr int MAX_DAMPING_RAISES = 12;
// Damping relative to the largest diagonal entry of JᵀJ: a start close to Gauss–Newton, and a floor
// that keeps the damped matrix positive definite in floating point.
constexpr double INITIAL_DAMPING = 1e-6;
constexpr double MIN_DAMPING = 1e-15;
constexpr double DAMPING_RAISE = 10.0;
constexpr double DAMPING_CUT = 0.1;

using Matrix6 = Eigen::Matrix<double, 6, 6>;

double squared_norm(const PoseError& e) {
  double sum = 0.0;
  for (const double v : e) sum += v * v;
  return sum;
}

}  // namespace

JointVector refine_joints_damped(const Crx& robot, const JointVector& joints, const Pose& target) {
  JointVector q = joints;
  // fk is element 5 of fk_all, bit for bit, so one chain walk per trial serves its error and, once
  // the trial is accepted, the next Jacobian.
  Frames frames = fk_all(robot, q);
  PoseError e = flange_error(frames[5], target);
  double cost = squared_norm(e);
  JointVector best = q;
  double best_error = max_abs_error(e);
  double damping = -1.0;
  for (int i = 0; i < MAX_ITERATIONS && !(best_error < CONVERGED_ERROR); ++i) {
    const PoseErrorJacobian jacobian = pose_error_jacobian(robot, frames);
    const Matrix6 normal = jacobian.transpose() * jacobian;
    const StepVector gradient = jacobian.transpose() * Eigen::Map<const ErrorVector>(e.data());
    const double scale = normal.diagonal().maxCoeff<Eigen::PropagateNaN>();
    if (!(scale > 0.0) || !std::isfinite(scale)) break;
    if (damping < 0.0) damping = INITIAL_DAMPING * scale;
    bool accepted = false;
    for (int raise = 0; raise < MAX_DAMPING_RAISES && !accepted; ++raise) {
      Matrix6 damped = normal;
      damped.diagonal().array() += damping;
      const StepVector delta = damped.ldlt().solve(-gradient);
      if (delta.cwiseAbs().maxCoeff<Eigen::PropagateNaN>() <= MAX_STEP_DEGREES) {
        JointVector next = q;
        for (int j = 0; j < 6; ++j) next[j] = q[j] + delta(j);
        Frames next_frames = fk_all(robot, next);
        const PoseError next_error = flange_error(next_frames[5], target);
        const double next_cost = squared_norm(next_error);
        if (next_cost < cost) {
          q = next;
          frames = next_frames;
          e = next_error;
          cost = next_cost;
          accepted = true;
          damping = std::max(damping * DAMPING_CUT, MIN_DAMPING * scale);
          const double m = max_abs_error(e);
          if (m < best_error) {
            best = q;
            best_error = m;
          }
          continue;
        }
      }
      damping *= DAMPING_RAISE;
    }
    if (!accepted) break;
  }
  return best;
}

}  // namespace talvane
