#include "ik/axis_crossings.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ik/ik_tolerances.hpp"
#include "ik/wrist_circle.hpp"
#include "vec3.hpp"

namespace talvane {

namespace {

constexpr int NEWTON_STARTS = 16;
// 1/16 of a turn, exactly representable, so the starts are j·2π/16.
constexpr double START_SPACING = 1.0 / NEWTON_STARTS;
// Shares of z1: the circle must come this close to the axis to be searched, and a minimum this
// close counts as on the axis.
constexpr double SEARCH_MARGIN = 2e-6;

// Derivatives of ½|H|² for the horizontal part H of the circle point.
struct HorizontalDistance {
  double gradient;   // H·H′
  double curvature;  // |H′|² + H·H″
  double distance;   // |H|
};

HorizontalDistance horizontal_distance(const IkContext& ctx, double theta) {
  const double y1 = ctx.robot.y1();
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  // N and P as offset_direction and circle_point form them, from the one sine and cosine.
  const Vec3 n{c * ctx.tool_x[0] + s * ctx.tool_y[0], c * ctx.tool_x[1] + s * ctx.tool_y[1],
               c * ctx.tool_x[2] + s * ctx.tool_y[2]};
  const Vec3 p = circle_point_at(ctx, n);
  const double hx = p[0];
  const double hy = p[1];
  const double dx = y1 * (-s * ctx.tool_x[0] + c * ctx.tool_y[0]);
  const double dy = y1 * (-s * ctx.tool_x[1] + c * ctx.tool_y[1]);
  const double ddx = -y1 * n[0];
  const double ddy = -y1 * n[1];
  return {hx * dx + hy * dy, (dx * dx + dy * dy) + (hx * ddx + hy * ddy), std::hypot(hx, hy)};
}

}  // namespace

std::vector<double> special_angles(const IkContext& ctx) {
  const double z1 = ctx.robot.z1();
  const Vec3& o = ctx.wrist_center;
  std::vector<double> angles;
  if (std::hypot(o[0], o[1]) - ctx.robot.y1() > SEARCH_MARGIN * z1) return angles;
  for (int j = 0; j < NEWTON_STARTS; ++j) {
    double theta = j * 2.0 * std::numbers::pi * START_SPACING;
    bool abandoned = false;
    for (int step_count = 0; step_count < MAX_NEWTON_STEPS; ++step_count) {
      const HorizontalDistance h = horizontal_distance(ctx, theta);
      if (h.curvature == 0.0) {
        abandoned = true;
        break;
      }
      const double step = -h.gradient / h.curvature;
      theta = theta + step;
      if (!(std::abs(step) >= SETTLED_STEP)) break;
    }
    if (abandoned) continue;
    const HorizontalDistance h = horizontal_distance(ctx, theta);
    if (!(h.curvature > 0.0 && h.distance <= AXIS_TOLERANCE * z1)) continue;
    const double wrapped = wrap_angle(theta);
    const bool known = std::any_of(angles.begin(), angles.end(),
                                   [&](double a) { return angles_within(wrapped, a, MERGE_DISTANCE); });
    if (!known) angles.push_back(wrapped);
  }
  return angles;
}

std::optional<Vec3> shoulder_elbow(const IkContext& ctx, double theta) {
  const double z1 = ctx.robot.z1();
  if (!(std::abs(z1 - ctx.robot.x1()) <= AXIS_TOLERANCE * z1)) return std::nullopt;
  const Vec3 n = offset_direction(ctx, theta);
  const Vec3 n_cross_z{n[1], -n[0], 0.0};
  const Vec3 n_cross_x{0.0, n[2], -n[1]};
  const Vec3 v = norm(n_cross_z) < norm(n_cross_x) ? n_cross_x : n_cross_z;
  const double length = norm(v);
  return Vec3{z1 * v[0] / length, z1 * v[1] / length, z1 * v[2] / length};
}

namespace {

// The elbows on the horizontal circle around the J1 axis, for P on the axis at height pz, with the
// forearm perpendicular to N(θ). None for |pz| below min_height: P counts as at the shoulder, where
// the elbows fill a sphere, not a circle.
std::vector<Vec3> elbows_around_axis(const IkContext& ctx, double theta, double min_height) {
  const double z1 = ctx.robot.z1();
  const double x1 = ctx.robot.x1();
  const Vec3 n = offset_direction(ctx, theta);
  const double pz = ctx.wrist_center[2] + ctx.robot.y1() * n[2];
  double f = 0.0;
  double h = 0.0;
  if (std::abs(pz) >= min_height && pz != 0.0) {
    f = (pz * pz + z1 * z1 - x1 * x1) / (2.0 * std::abs(pz));
    h = std::sqrt(std::max(z1 * z1 - f * f, 0.0));
  }
  const double elbow_z = sign_of(pz) * f;
  std::vector<Vec3> elbows;
  const CosSinSolutions phi = solve_cos_sin(n[0] * h, n[1] * h, n[2] * (pz - elbow_z));
  if (phi.kind != CosSinSolutions::Kind::Angles) return elbows;
  for (int i = 0; i < phi.count; ++i) {
    elbows.push_back(Vec3{h * std::cos(phi.angles[i]), h * std::sin(phi.angles[i]), elbow_z});
  }
  return elbows;
}

}  // namespace

std::vector<Vec3> axis_elbows(const IkContext& ctx, double theta) {
  return elbows_around_axis(ctx, theta, AXIS_TOLERANCE * ctx.robot.z1());
}

std::vector<Vec3> axis_elbows_off_shoulder(const IkContext& ctx, double theta) {
  return elbows_around_axis(ctx, theta, 0.0);
}

}  // namespace talvane
