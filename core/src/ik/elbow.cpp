#include "ik/elbow.hpp"

#include <algorithm>
#include <cmath>

#include "ik/ik_tolerances.hpp"
#include "ik/wrist_circle.hpp"
#include "vec3.hpp"

namespace talvane {

namespace {

// The elbow of branch `sign` once h² has passed the reach check.
Vec3 elbow_of(const ArmTriangle& t, const Vec3& p, double sign) {
  const ElbowInPlane e = elbow_in_plane(t, p[2], sign);
  return Vec3{e.radial * p[0] / t.rho, e.radial * p[1] / t.rho, e.height};
}

// Whether the branch residuals are defined at P: off the J1 axis and the shoulder by axis_share·z1,
// and in reach with no tolerance. Each check is the negation of the one elbow_off_axis makes, so
// that a NaN fails none of them there or here.
bool residuals_defined(const IkContext& ctx, const ArmTriangle& t, double axis_share) {
  const double z1 = ctx.robot.z1();
  return !(t.rho < axis_share * z1) && !(t.length < axis_share * z1) && !(t.h_squared < 0.0);
}

double residual_of(const IkContext& ctx, const Vec3& elbow, const Vec3& n, const Vec3& p) {
  return dot(subtract(elbow, p), n) / ctx.robot.x1();
}

}  // namespace

ArmTriangle arm_triangle(const IkContext& ctx, const Vec3& p) {
  const double z1 = ctx.robot.z1();
  const double x1 = ctx.robot.x1();
  const double length_squared = p[0] * p[0] + p[1] * p[1] + p[2] * p[2];
  const double length = std::sqrt(length_squared);
  const double f = (length_squared + z1 * z1 - x1 * x1) / (2.0 * length);
  return {std::hypot(p[0], p[1]), length, f, z1 * z1 - f * f};
}

ElbowInPlane elbow_in_plane(const ArmTriangle& t, double pz, double sign) {
  const double h = std::sqrt(std::max(t.h_squared, 0.0));
  return {t.f * t.rho / t.length - sign * h * pz / t.length,
          t.f * pz / t.length + sign * h * t.rho / t.length};
}

std::optional<Vec3> elbow_for(const IkContext& ctx, const Vec3& p, double sign, double tolerance_factor) {
  return elbow_off_axis(ctx, p, sign, tolerance_factor, AXIS_TOLERANCE);
}

std::optional<Vec3> elbow_off_axis(const IkContext& ctx, const Vec3& p, double sign, double tolerance_factor,
                                   double axis_share) {
  const double z1 = ctx.robot.z1();
  const ArmTriangle t = arm_triangle(ctx, p);
  if (t.rho < axis_share * z1) return std::nullopt;
  if (t.h_squared < -tolerance_factor * (z1 * z1)) return std::nullopt;
  return elbow_of(t, p, sign);
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
  const ArmTriangle t = arm_triangle(ctx, p);
  if (!residuals_defined(ctx, t, axis_share)) return {false, 0.0};
  return {true, residual_of(ctx, elbow_of(t, p, sign), n, p)};
}

BranchResiduals branch_residuals_of(const IkContext& ctx, const Vec3& n, const Vec3& p, const ArmTriangle& t,
                                    double axis_share) {
  if (!residuals_defined(ctx, t, axis_share)) return {{false, 0.0}, {false, 0.0}};
  return {{true, residual_of(ctx, elbow_of(t, p, +1.0), n, p)},
          {true, residual_of(ctx, elbow_of(t, p, -1.0), n, p)}};
}

}  // namespace talvane
