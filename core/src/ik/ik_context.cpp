#include "ik/ik_context.hpp"

#include <cmath>
#include <numbers>

#include "fk.hpp"

namespace talvane {

IkContext make_ik_context(const Crx& robot, const Pose& target) {
  const Matrix4 r = pose_to_matrix(target);
  const Vec3& t = target.translation;
  const double x2 = robot.x2();
  return IkContext{
      robot,
      target,
      {t[0] - x2 * r[2], t[1] - x2 * r[6], t[2] - x2 * r[10]},
      t,
      {r[0], r[4], r[8]},
      {r[1], r[5], r[9]},
  };
}

PoseError pose_error(const Crx& robot, const JointVector& joints, const Pose& target) {
  return flange_error(fk(robot, joints), target);
}

PoseError flange_error(const Pose& flange, const Pose& target) {
  const Matrix4 a = pose_to_matrix(flange);
  const Matrix4 b = pose_to_matrix(target);
  PoseError e{};
  for (std::size_t col = 0; col < 3; ++col) {
    for (std::size_t row = 0; row < 3; ++row) e[col * 3 + row] = a[row * 4 + col] - b[row * 4 + col];
  }
  for (std::size_t row = 0; row < 3; ++row) e[9 + row] = a[row * 4 + 3] - b[row * 4 + 3];
  return e;
}

double max_abs_error(const PoseError& error) {
  double m = 0.0;
  for (const double v : error) {
    if (std::isnan(v)) return v;
    const double a = std::abs(v);
    if (a > m) m = a;
  }
  return m;
}

double circular_joint_distance(const JointVector& a, const JointVector& b) {
  double m = 0.0;
  for (std::size_t j = 0; j < 6; ++j) {
    const double d = std::abs(wrap_angle((a[j] - b[j]) * DEG_TO_RAD));
    // `d > m` is false for NaN, which therefore never counts.
    if (d > m) m = d;
  }
  return m;
}

bool within_circular_distance(const JointVector& a, const JointVector& b, double limit, double slack) {
  for (std::size_t j = 0; j < 6; ++j) {
    const double d = std::abs(wrap_angle((a[j] - b[j]) * DEG_TO_RAD));
    // Written so that a NaN difference does not count, as in the maximum.
    if (d + slack >= limit) return false;
  }
  // The maximum starts from 0.
  return 0.0 + slack < limit;
}

}  // namespace talvane
