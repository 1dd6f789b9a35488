#include "ik/reach_boundary.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "ik/elbow.hpp"
#include "ik/golden_section.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/wrist_circle.hpp"
#include "vec3.hpp"

namespace talvane {

namespace {

// A share of z1: a circle that misses a boundary sphere by less than this is taken at its closest
// approach.
constexpr double NEAR_BOUNDARY = 1e-3;
// The branch residual (a cosine) at which a boundary angle is still worth polishing: near the
// boundary it grows like the square root of the angle, so this admits solutions up to about 1e-7
// rad from the boundary angle, far beyond where the ordinary roots lose them.
constexpr double MAX_BOUNDARY_RESIDUAL = 1e-3;
// Zeros off the boundary are sought where the residual at the boundary is below this: g_s grows
// like the square root of the angle, so they lie within about 1e-5 rad of it.
constexpr double NEAR_ZERO_RESIDUAL = 1e-2;
// Admits every elbow of a point up to NEAR_BOUNDARY outside the reach, as the in-line one.
constexpr double ANY_SHORTFALL = 1.0;
// Off the boundary, into the reach, g_s is a smooth function of u = √|θ − θ_b| (the two branches
// are its two halves), so its zeros there are sought in u: sign changes between samples
// u = U, U/2, U/4, ..., bisected in u. U² = 1e-2 rad covers where the ordinary roots fail; 2^-40·U
// puts the last sample next to the boundary angle itself.
constexpr double LARGEST_U = 0.1;
constexpr int U_SAMPLES = 40;
constexpr int MAX_BISECTIONS = 100;

// A sampled minimum of |g_s| next to the boundary is searched for a dip across zero only below this.
constexpr double DIP_SEARCH_RESIDUAL = 1e-4;
// Golden-section steps for a dip of g_s between samples: the bracket shrinks by 0.618 per step.
constexpr int MAX_DIP_STEPS = 100;

// The angle at u from the boundary angle, on the side `side`.
double off_boundary(double theta, double side, double u) { return theta + side * (u * u); }

// g_s at u from the boundary angle.
struct OffBoundary {
  const IkContext& ctx;
  double theta;
  double side;
  double sign;
  BranchResidual at(double u) const {
    return branch_residual_off_axis(ctx, off_boundary(theta, side, u), sign, NEAR_AXIS_SHARE);
  }
  // The zero of g_s in [lo, hi] (in u), whose ends differ in sign, by bisection; nothing unless it
  // is verified.
  void append_zero(double lo, double g_lo, double hi, std::vector<double>& zeros) const {
    for (int i = 0; i < MAX_BISECTIONS; ++i) {
      const double mid = lo + (hi - lo) * 0.5;
      if (mid <= lo || mid >= hi) break;
      const BranchResidual gm = at(mid);
      if (!gm.valid) break;
      if ((gm.value < 0.0) == (g_lo < 0.0)) {
        lo = mid;
        g_lo = gm.value;
      } else {
        hi = mid;
      }
    }
    for (const double end : {lo, hi}) {
      const BranchResidual gz = at(end);
      if (gz.valid && std::abs(gz.value) <= VERIFIED_RESIDUAL) {
        zeros.push_back(off_boundary(theta, side, end));
        return;
      }
    }
  }
  // Where |g_s| has a sampled minimum at `mid` between lo and hi, all three of one sign: a pair of
  // zeros closer together than the samples (the arm a hair from in line, with g_s dipping 1e-8 across
  // zero over 1e-6 rad), or one where g_s only touches zero. The least |g_s| by golden section, and
  // the zeros on either side where it crosses.
  void append_dip_zeros(double lo, double mid, double g_mid, double hi, std::vector<double>& zeros) const {
    const auto dip = search_dip([this](double u) { return at(u); }, lo, mid, g_mid, hi, MAX_DIP_STEPS);
    if (!dip) return;
    if (dip->crossed) {
      append_zero(dip->lo, at(dip->lo).value, dip->x, zeros);
      append_zero(dip->x, dip->g_x, dip->hi, zeros);
    } else if (std::abs(dip->g_x) <= VERIFIED_RESIDUAL) {
      zeros.push_back(off_boundary(theta, side, dip->x));
    }
  }
};

// The zeros of g_s off the boundary angle on one side, from sign changes of g_s(θ_b ± u²) and, with
// `dips`, from its dips between samples. Only next to the folded boundary: at the stretched one, with
// the wrist straight, g_s stays near zero, its sampled minima are many (four a target), and
// searching them added no configuration while it slowed those targets by a quarter.
void near_boundary_zeros(const IkContext& ctx, double theta, double side, double sign, bool dips,
                         std::vector<double>& zeros) {
  const OffBoundary branch{ctx, theta, side, sign};
  double u_prev = 0.0;
  BranchResidual g_prev{false, 0.0};
  double u_before = 0.0;
  BranchResidual g_before{false, 0.0};
  // From the boundary outwards, so that each bracket is the nearest one to the boundary.
  for (int k = U_SAMPLES; k >= 0; --k) {
    const double u = std::ldexp(LARGEST_U, -k);
    const BranchResidual g = branch.at(u);
    if (g.valid && g_prev.valid && (g.value < 0.0) != (g_prev.value < 0.0)) {
      branch.append_zero(u_prev, g_prev.value, u, zeros);
    } else if (dips && g.valid && g_prev.valid && g_before.valid &&
               (g_before.value < 0.0) == (g_prev.value < 0.0) &&
               std::abs(g_prev.value) < std::abs(g_before.value) &&
               std::abs(g_prev.value) <= std::abs(g.value) && std::abs(g_prev.value) <= DIP_SEARCH_RESIDUAL) {
      branch.append_dip_zeros(u_before, u_prev, g_prev.value, u, zeros);
    }
    u_before = u_prev;
    g_before = g_prev;
    u_prev = u;
    g_prev = g;
  }
}

// |P(θ)|² = mean + a·cos θ + b·sin θ on the wrist circle.
struct SquaredReach {
  double mean;
  double a;
  double b;
};

SquaredReach squared_reach(const IkContext& ctx) {
  const double y1 = ctx.robot.y1();
  const Vec3& o = ctx.wrist_center;
  return {dot(o, o) + y1 * y1, 2.0 * y1 * dot(o, ctx.tool_x), 2.0 * y1 * dot(o, ctx.tool_y)};
}

// Angles in [−π, π) where |P(θ)| = radius, or where |P| comes closest to it when the circle misses
// the sphere by less than NEAR_BOUNDARY·z1.
std::vector<double> boundary_angles(const IkContext& ctx, double radius) {
  const auto [mean, a, b] = squared_reach(ctx);
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

// d|P|²/dθ.
double boundary_rate(const IkContext& ctx, double theta) {
  const SquaredReach r = squared_reach(ctx);
  return -r.a * std::sin(theta) + r.b * std::cos(theta);
}

// The in-line configurations at one boundary angle whose branch residual is small; whether any
// residual there is small enough to look for zeros next to the boundary.
bool append_in_line(const IkContext& ctx, double theta, std::vector<CircleCandidate>& candidates) {
  const Vec3 n = offset_direction(ctx, theta);
  const Vec3 p = circle_point_at(ctx, n);
  if (!(std::hypot(p[0], p[1]) >= NEAR_AXIS_SHARE * ctx.robot.z1())) return false;
  std::array<Vec3, 2> elbows{};
  std::size_t count = 0;
  for (const double sign : {+1.0, -1.0}) {
    const auto elbow = elbow_off_axis(ctx, p, sign, ANY_SHORTFALL, NEAR_AXIS_SHARE);
    if (!elbow || (count == 1 && *elbow == elbows[0])) continue;
    elbows[count++] = *elbow;
  }
  bool near_zero = false;
  for (std::size_t i = 0; i < count; ++i) {
    const double residual = std::abs(dot(subtract(elbows[i], p), n) / ctx.robot.x1());
    if (residual <= MAX_BOUNDARY_RESIDUAL) candidates.push_back({elbows[i], p, theta, SolutionKind::Regular});
    near_zero = near_zero || residual <= NEAR_ZERO_RESIDUAL;
  }
  return near_zero;
}

// The zeros of both branches next to a boundary angle, on the side of the reach: inside the outer
// sphere (`outer`), outside the inner one. |P|² changes at rate −a·sin θ + b·cos θ; at the closest
// approach, where it does not change, both sides are tried.
void append_next_to_boundary(const IkContext& ctx, double theta, bool outer,
                             std::vector<CircleCandidate>& candidates) {
  const double rate = boundary_rate(ctx, theta);
  const double inward = outer ? -1.0 : 1.0;
  std::vector<double> zeros;
  for (const double sign : {+1.0, -1.0}) {
    if (rate != 0.0) {
      near_boundary_zeros(ctx, theta, rate > 0.0 ? inward : -inward, sign, !outer, zeros);
    } else {
      near_boundary_zeros(ctx, theta, +1.0, sign, !outer, zeros);
      near_boundary_zeros(ctx, theta, -1.0, sign, !outer, zeros);
    }
    for (const double zero : zeros) {
      const Vec3 p = circle_point(ctx, zero);
      if (const auto elbow = elbow_off_axis(ctx, p, sign, 0.0, NEAR_AXIS_SHARE)) {
        candidates.push_back({*elbow, p, zero, SolutionKind::Regular});
      }
    }
    zeros.clear();
  }
}

}  // namespace

std::vector<CircleCandidate> reach_boundary_candidates(const IkContext& ctx) {
  const double z1 = ctx.robot.z1();
  const double x1 = ctx.robot.x1();
  std::vector<CircleCandidate> candidates;
  const std::array<double, 2> radii{z1 + x1, std::abs(z1 - x1)};
  for (std::size_t r = 0; r < radii.size(); ++r) {
    // With z1 = x1 the folded boundary is the shoulder itself, which the special angles cover.
    if (r == 1 && !(radii[r] > NEAR_AXIS_SHARE * z1)) continue;
    for (const double theta : boundary_angles(ctx, radii[r])) {
      if (append_in_line(ctx, theta, candidates)) append_next_to_boundary(ctx, theta, r == 0, candidates);
    }
  }
  return candidates;
}

}  // namespace talvane
