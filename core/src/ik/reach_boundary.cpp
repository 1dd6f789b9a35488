#include "ik/reach_boundary.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "ik/elbow.hpp"
#include "ik/vec3_ops.hpp"
#include "ik/wrist_circle.hpp"

namespace talvane {

namespace {

// Shares of z1: a point closer to the J1 axis has no arm plane (the axis candidates cover it); a
// circle that misses a boundary sphere by less than this is taken at its closest approach.
constexpr double AXIS_TOLERANCE = 1e-6;
constexpr double NEAR_BOUNDARY = 1e-3;
// The branch residual (a cosine) at which a boundary angle is still worth polishing: near the
// boundary it grows like the square root of the angle, so this admits solutions up to about 1e-7
// rad from the boundary angle, far beyond where the ordinary roots lose them.
constexpr double MAX_BOUNDARY_RESIDUAL = 1e-3;
// Admits every elbow of a point up to NEAR_BOUNDARY outside the reach, as the in-line one.
constexpr double ANY_SHORTFALL = 1.0;

// Angles in [−π, π) where |P(θ)| = radius, or where |P| comes closest to it when the circle misses
// the sphere by less than NEAR_BOUNDARY·z1.
std::vector<double> boundary_angles(const IkContext& ctx, double radius) {
  const double y1 = ctx.robot.y1();
  const Vec3& o = ctx.wrist_center;
  // |P|² = |O|² + y1² + a·cos θ + b·sin θ.
  const double a = 2.0 * y1 * dot(o, ctx.tool_x);
  const double b = 2.0 * y1 * dot(o, ctx.tool_y);
  const double mean = dot(o, o) + y1 * y1;
  const double amplitude = std::hypot(a, b);
  std::vector<double> angles;
  if (!(amplitude > 0.0) || !std::isfinite(amplitude)) return angles;
  const double base = std::atan2(b, a);
  const double c = (radius * radius - mean) / amplitude;
  if (std::abs(c) <= 1.0) {
    const double delta = std::acos(c);
    angles.push_back(wrap_angle(base + delta));
    if (delta > 0.0 && delta < std::numbers::pi) angles.push_back(wrap_angle(base - delta));
    return angles;
  }
  // The extreme of |P| on the side of the sphere, if it lies close enough.
  const double extreme = std::sqrt(std::max(mean + (c > 0.0 ? amplitude : -amplitude), 0.0));
  if (std::abs(extreme - radius) <= NEAR_BOUNDARY * ctx.robot.z1()) {
    angles.push_back(wrap_angle(c > 0.0 ? base : base + std::numbers::pi));
  }
  return angles;
}

}  // namespace

std::vector<CircleCandidate> reach_boundary_candidates(const IkContext& ctx) {
  const double z1 = ctx.robot.z1();
  const double x1 = ctx.robot.x1();
  const double tol = AXIS_TOLERANCE * z1;
  std::vector<CircleCandidate> candidates;
  std::array<double, 2> radii{z1 + x1, std::abs(z1 - x1)};
  for (std::size_t r = 0; r < radii.size(); ++r) {
    // With z1 = x1 the folded boundary is the shoulder itself, which the special angles cover.
    if (r == 1 && !(radii[r] > tol)) continue;
    for (const double theta : boundary_angles(ctx, radii[r])) {
      const Vec3 n = offset_direction(ctx, theta);
      const Vec3 p = circle_point_at(ctx, n);
      if (!(std::hypot(p[0], p[1]) >= tol)) continue;
      std::array<Vec3, 2> elbows{};
      std::size_t count = 0;
      for (const double sign : {+1.0, -1.0}) {
        const auto elbow = elbow_for(ctx, p, sign, ANY_SHORTFALL);
        if (!elbow || (count == 1 && *elbow == elbows[0])) continue;
        elbows[count++] = *elbow;
      }
      for (std::size_t i = 0; i < count; ++i) {
        const double residual = dot(subtract(elbows[i], p), n) / x1;
        if (std::abs(residual) <= MAX_BOUNDARY_RESIDUAL) {
          candidates.push_back({elbows[i], p, theta, SolutionKind::Regular});
        }
      }
    }
  }
  return candidates;
}

}  // namespace talvane
