#include "ik/elbow.hpp"

#include <algorithm>
#include <cmath>

#include "ik/ik_tolerances.hpp"
#include "ik/wrist_circle.hpp"
#include "vec3.hpp"

namespace talvane {

namespace {}  // namespace

std::optional<Vec3> elbow_for(const IkContext& ctx, const Vec3& p, double sign, double tolerance_factor) {
  return elbow_off_axis(ctx, p, sign, tolerance_factor, AXIS_TOLERANCE);
}

std::optional<Vec3> elbow_off_axis(const IkContext& ctx, const Vec3& p, double sign, double tolerance_factor,
                                   double axis_share) {
  const double z1 = ctx.robot.z1();
  const double x1 = ctx.robot.x1();
  const double rho = std::hypot(p[0], p[1]);
  if (rho < axis_share * z1) return std::nullopt;
  const double length_squared = p[0] * p[0] + p[1] * p[1] + p[2] * p[2];
  const double length = std::sqrt(length_squared);
  // f: the elbow's projection on the shoulder-to-P line; h: its distance from that line.
  const double f = (length_squared + z1 * z1 - x1 * x1) / (2.0 * length);
  const double h_squared = z1 * z1 - f * f;
  if (h_squared < -tolerance_factor * (z1 * z1)) return std::nullopt;
  const double h = std::sqrt(std::max(h_squared, 0.0));
  const double radial = f * rho / length - sign * h * p[2] / length;
  const double height = f * p[2] / length + sign * h * rho / length;
  return Vec3{radial * p[0] / rho, radial * p[1] / rho, height};
}

BranchResidual branch_residual(const IkContext& ctx, double theta, double sign) {
  return branch_residual_off_axis(ctx, theta, sign, AXIS_TOLERANCE);
}

BranchResidual branch_residual_off_axis(const IkContext& ctx, double theta, double sign, double axis_share) {
  return branch_residual_along(ctx, offset_direction(ctx, theta), sign, axis_share);
}

BranchResidual branch_residual_along(const IkContext& ctx, const Vec3& n, double sign, double axis_share) {
  return branch_residual_at(ctx, n, circle_point_at(ctx, n), sign, axis_share);
}

BranchResidual branch_residual_at(const IkContext& ctx, const Vec3& n, const Vec3& p, double sign,
                                  double axis_share) {
  const double z1 = ctx.robot.z1();
  const double x1 = ctx.robot.x1();
  if (std::hypot(p[0], p[1]) < axis_share * z1) return {false, 0.0};
  if (norm(p) < axis_share * z1) return {false, 0.0};
  const std::optional<Vec3> elbow = elbow_off_axis(ctx, p, sign, 0.0, axis_share);
  if (!elbow) return {false, 0.0};
  return {true, dot(subtract(*elbow, p), n) / x1};
}

}  // namespace talvane
