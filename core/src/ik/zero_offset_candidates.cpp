#include "ik/zero_offset_candidates.hpp"

#include <cmath>
#include <numbers>

#include "angles.hpp"
#include "ik/elbow.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/wrist_circle.hpp"
#include "vec3.hpp"

namespace talvane {

namespace {

// θ and θ + π with N(θ)·(E − P) = 0, the two ways the J5 axis can lie across the forearm. With the
// forearm along the target's z axis (the wrist straight) every angle qualifies and atan2 picks one.
void append_for_elbow(const IkContext& ctx, const Vec3& elbow, SolutionKind kind,
                      std::vector<CircleCandidate>& out) {
  const Vec3 forearm = subtract(elbow, ctx.wrist_center);
  const double theta = std::atan2(-dot(forearm, ctx.tool_x), dot(forearm, ctx.tool_y));
  for (const double angle : {theta, wrap_angle(theta + std::numbers::pi)}) {
    out.push_back({elbow, circle_point(ctx, angle), angle, kind});
  }
}

}  // namespace

bool has_zero_offset(const Crx& robot) { return robot.y1() == 0.0; }

std::vector<CircleCandidate> zero_offset_candidates(const IkContext& ctx) {
  const double z1 = ctx.robot.z1();
  const double x1 = ctx.robot.x1();
  const double tol = AXIS_TOLERANCE * z1;
  const Vec3& p = ctx.wrist_center;
  std::vector<CircleCandidate> out;
  // With P at the shoulder its f and h² are not numbers; only rho and length are read then.
  const ArmTriangle t = arm_triangle(ctx, p);
  const double rho = t.rho;
  const double length = t.length;
  // The vertical plane through P, or the plane J1 = 0 with P exactly on the axis, where J1 is free
  // and its member stands for the family; the rebuilt joints face P wherever it has an azimuth.
  const double azimuth = rho > 0.0 ? std::atan2(p[1], p[0]) : 0.0;
  const double c = std::cos(azimuth);
  const double s = std::sin(azimuth);
  const auto kind_of = [&](const Vec3& elbow) {
    if (rho >= tol) return SolutionKind::Regular;
    const bool elbow_on_axis = std::hypot(elbow[0], elbow[1]) < tol;
    return length < tol || elbow_on_axis ? SolutionKind::SingularFamily : SolutionKind::AxisDegenerate;
  };
  // The two elbows of the arm triangle in that plane: at f along P from the shoulder and h across.
  // Inside the shoulder band as well: there the elbows fill a circle around P, and these two of it
  // are the members facing P.
  if (length > 0.0 && t.h_squared >= -REACH_SLACK * (z1 * z1)) {
    for (const double sign : {+1.0, -1.0}) {
      const ElbowInPlane e = elbow_in_plane(t, p[2], sign);
      const Vec3 elbow{e.radial * c, e.radial * s, e.height};
      append_for_elbow(ctx, elbow, kind_of(elbow), out);
    }
  }
  // At the shoulder itself (z1 = x1) the elbow is free on a sphere: the horizontal one stands for it.
  if (length < tol && std::abs(z1 - x1) <= tol) {
    append_for_elbow(ctx, Vec3{z1 * c, z1 * s, 0.0}, SolutionKind::SingularFamily, out);
  }
  return out;
}

}  // namespace talvane
