#include "ik/refine_joints.hpp"

#include <Eigen/Cholesky>
#include <Eigen/Core>
#include <cmath>
#include <optional>

#include "fk.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/least_squares_step.hpp"
#include "ik/pose_error_jacobian.hpp"

namespace talvane {

namespace {

constexpr int MAX_STEPS = 25;
// The Cholesky factor is trusted only if its smallest diagonal entry is at least this share of its
// largest; otherwise the normal equations have squared away too much of the conditioning.
constexpr double MIN_DIAGONAL_RATIO = 1e-5;
// Least-squares steps that continue the previous one (directions within this cosine) at a length
// ratio in this range are taken to converge linearly.
constexpr double MIN_LINEAR_RATIO = 0.3;
constexpr double MAX_LINEAR_RATIO = 0.9;
constexpr double MIN_LINEAR_COSINE = 0.9;
// An extrapolated step leaps to next to the near-double root, where the error grows quadratically
// across the flat direction and the next plain step, as long as the distance still to go, can
// overshoot it. Halving that step up to this many times finds the descent again before the polish
// gives up.
constexpr int MAX_HALVINGS_AFTER_EXTRAPOLATION = 3;

using Jacobian = PoseErrorJacobian;

struct Iterate {
  JointVector joints;
  Frames frames;
  PoseError error;
  double largest_error;
};

Iterate step_to(const Crx& robot, const JointVector& q, const StepVector& delta, const Pose& target) {
  Iterate next{q, {}, {}, 0.0};
  for (int j = 0; j < 6; ++j) next.joints[j] = q[j] + delta(j);
  // fk is element 5 of fk_all, bit for bit, so one chain walk serves the error and the next
  // Jacobian.
  next.frames = fk_all(robot, next.joints);
  next.error = flange_error(next.frames[5], target);
  next.largest_error = max_abs_error(next.error);
  return next;
}

std::optional<StepVector> cholesky_step(const Jacobian& jacobian, const ErrorVector& error) {
  const Eigen::Matrix<double, 6, 6> normal = jacobian.transpose() * jacobian;
  const Eigen::LLT<Eigen::Matrix<double, 6, 6>> llt(normal);
  if (llt.info() != Eigen::Success) return std::nullopt;
  const StepVector diagonal = llt.matrixL().toDenseMatrix().diagonal();
  const double largest = diagonal.maxCoeff<Eigen::PropagateNaN>();
  const double smallest = diagonal.minCoeff<Eigen::PropagateNaN>();
  if (!(largest > 0.0 && smallest > MIN_DIAGONAL_RATIO * largest)) return std::nullopt;
  return llt.solve(-(jacobian.transpose() * error));
}

// Towards a double root, as at a singular pose, Newton's steps converge only linearly: each
// continues the last at a fixed share r of its length (1/2 for a double root), so r/(1 - r) of the
// step is still to go after it. The factor 1/(1 - r) that takes all of it at once (Aitken's
// extrapolation), or 1 where the steps do not look like that.
double linear_extrapolation(const StepVector& previous, const StepVector& step) {
  const double ratio = step.norm() / previous.norm();
  const bool continues = step.dot(previous) > MIN_LINEAR_COSINE * step.norm() * previous.norm();
  if (!(continues && ratio > MIN_LINEAR_RATIO && ratio < MAX_LINEAR_RATIO)) return 1.0;
  return 1.0 / (1.0 - ratio);
}

}  // namespace

RefinedJoints refine_joints_with_error(const Crx& robot, const JointVector& joints, const Pose& target,
                                       const GiveUpCheck& give_up) {
  JointVector q = joints;
  PoseError e = pose_error(robot, q, target);
  double m = max_abs_error(e);
  // The frames of q once a step has computed them: the next Jacobian needs exactly those.
  std::optional<Frames> frames;
  // The last step if it was a least-squares one, zero otherwise.
  StepVector previous_least_squares_step = StepVector::Zero();
  // Whether the last step was extrapolated.
  bool extrapolated = false;
  for (int i = 0; i < MAX_STEPS; ++i) {
    if (m < CONVERGED_ERROR) break;
    const double previous = m;
    const Jacobian jacobian = pose_error_jacobian(robot, frames ? *frames : fk_all(robot, q));
    const ErrorVector error = Eigen::Map<const ErrorVector>(e.data());
    std::optional<StepVector> delta = cholesky_step(jacobian, error);
    const bool by_least_squares = !delta;
    if (by_least_squares) delta = least_squares_step(jacobian, error);
    if (!delta) break;
    // Also refuses a NaN step.
    if (!(delta->cwiseAbs().maxCoeff<Eigen::PropagateNaN>() <= MAX_STEP_DEGREES)) break;
    Iterate next = step_to(robot, q, *delta, target);
    bool extrapolating = false;
    const double stretch = by_least_squares && previous_least_squares_step.any()
                               ? linear_extrapolation(previous_least_squares_step, *delta)
                               : 1.0;
    if (stretch > 1.0 && stretch * delta->cwiseAbs().maxCoeff() <= MAX_STEP_DEGREES) {
      // Kept only where it does better than the plain step.
      Iterate far = step_to(robot, q, stretch * *delta, target);
      if (far.largest_error < next.largest_error) {
        next = std::move(far);
        *delta *= stretch;
        extrapolating = true;
      }
    }
    for (int h = 0; by_least_squares && extrapolated && h < MAX_HALVINGS_AFTER_EXTRAPOLATION &&
                    !(next.largest_error < previous);
         ++h) {
      *delta *= 0.5;
      next = step_to(robot, q, *delta, target);
    }
    if (!(next.largest_error < previous)) break;
    previous_least_squares_step = by_least_squares ? *delta : StepVector::Zero();
    extrapolated = extrapolating;
    q = next.joints;
    e = next.error;
    m = next.largest_error;
    frames = next.frames;
    if (by_least_squares && give_up && give_up(q, delta->cwiseAbs().maxCoeff() * DEG_TO_RAD))
      return {q, m, true};
  }
  return {q, m};
}

JointVector refine_joints(const Crx& robot, const JointVector& joints, const Pose& target) {
  return refine_joints_with_error(robot, joints, target).joints;
}

}  // namespace talvane
