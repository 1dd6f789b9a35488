#include "ik/reach_boundary.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
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
// The same two bounds on how far from the boundary angle the solution lies, as the residual r_g
// there estimates it: r_g² ≈ 2·|y1|·Δθ/ρ next to a sphere of radius ρ (the angle at the shoulder
// between elbow and P is x1/ρ times the elbow's bend). On the catalogued arms the residual bounds
// reach as far or farther. Where |z1 − x1| is micrometres to millimetres the folded sphere is so
// small that r_g passes 1e-2 within 1e-7 rad of the boundary, and only these bounds admit the
// solutions next to it (one 7e-6 rad off, r_g 0.22, on a sphere of 0.05 mm); the scan next to the
// boundary reaches 1e-2 rad.
constexpr double MAX_BOUNDARY_OFFSET = 5e-8;
constexpr double NEAR_ZERO_OFFSET = 1e-4;
// Admits every elbow of a point up to NEAR_BOUNDARY outside the reach, as the in-line one.
constexpr double ANY_SHORTFALL = 1.0;
// Off the boundary, into the reach, g_s is a smooth function of u = √|θ − θ_b| (the two branches
// are its two halves), so its zeros there are sought in u: sign changes between samples
// u = U, U/2, U/4, ..., bisected in u. U² = 1e-2 rad covers where the ordinary roots fail; 2^-40·U
// puts the last sample next to the boundary angle itself.
constexpr double LARGEST_U = 0.1;
constexpr int U_SAMPLES = 40;
constexpr int MAX_BISECTIONS = 100;
// A sign change pinned between adjacent angles is a zero where |g_s| there has shrunk below this
// share of its size at the bracket's larger end, as it does at a zero and not at a jump (where the
// elbow changes sides at the J1 axis).
constexpr double PINNED_SHARE = 1e-3;

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
  // is verified, or pinned between adjacent angles with |g_s| shrunk as at a zero. Next to a small
  // folded sphere (|z1 − x1| a few micrometres) g_s turns so fast that the last bit of θ moves it by
  // more than the verification bound (2e-8 per bit, 1e-12 rad from the boundary).
  void append_zero(double lo, double g_lo, double hi, std::vector<double>& zeros) const {
    const BranchResidual g_hi = at(hi);
    // The larger end: the other may already lie next to the zero.
    const double start_size = std::max(std::abs(g_lo), g_hi.valid ? std::abs(g_hi.value) : 0.0);
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
    double nearest = 0.0;
    double least = std::numeric_limits<double>::infinity();
    for (const double end : {lo, hi}) {
      const BranchResidual gz = at(end);
      if (!gz.valid) continue;
      if (std::abs(gz.value) <= VERIFIED_RESIDUAL) {
        zeros.push_back(off_boundary(theta, side, end));
        return;
      }
      if (std::abs(gz.value) < least) {
        least = std::abs(gz.value);
        nearest = end;
      }
    }
    const double theta_lo = off_boundary(theta, side, lo);
    const double theta_hi = off_boundary(theta, side, hi);
    const bool pinned = std::nextafter(theta_lo, theta_hi) == theta_hi;
    if (pinned && least <= PINNED_SHARE * start_size) zeros.push_back(off_boundary(theta, side, nearest));
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

// |P(θ)|² on the wrist circle, as least + scale·sin²((θ − closest)/2): its least and greatest values
// and the angle of the least. Written so, rather than as a mean plus a cosine, because next to a
// small boundary sphere (|z1 − x1| a few micrometres) the circle passes the shoulder as closely, and
// there the mean and the cosine's amplitude are millions of times |P|² and cancel: the boundary
// angles came out 1e-11 rad off, where the branch residual already reaches 1e-3.
struct CircleReach {
  double closest;
  double least;
  double greatest;
  double scale;
};

CircleReach circle_reach(const IkContext& ctx) {
  const double y1 = ctx.robot.y1();
  const Vec3& o = ctx.wrist_center;
  // The wrist centre in the circle's frame: its offset in the plane and along the axis.
  const double ox = dot(o, ctx.tool_x);
  const double oy = dot(o, ctx.tool_y);
  const double oz = dot(o, cross(ctx.tool_x, ctx.tool_y));
  const double in_plane = std::hypot(ox, oy);
  const double radius = std::abs(y1);
  const double near_gap = in_plane - radius;
  const double far_gap = in_plane + radius;
  return {std::atan2(-y1 * oy, -y1 * ox), near_gap * near_gap + oz * oz, far_gap * far_gap + oz * oz,
          4.0 * radius * in_plane};
}

// Angles in [−π, π) where |P(θ)| = radius, or where |P| comes closest to it when the circle misses
// the sphere by less than NEAR_BOUNDARY·z1.
std::vector<double> boundary_angles(const IkContext& ctx, const CircleReach& reach, double radius) {
  std::vector<double> angles;
  if (!(reach.scale > 0.0) || !std::isfinite(reach.scale)) return angles;
  const double squared = radius * radius;
  if (squared >= reach.least && squared <= reach.greatest) {
    // The half angle from the nearer extreme, where its sine keeps the precision of the gap.
    const double above_least = (squared - reach.least) / reach.scale;
    const double below_greatest = (reach.greatest - squared) / reach.scale;
    const double offset = above_least <= below_greatest
                              ? 2.0 * std::asin(std::sqrt(above_least))
                              : std::numbers::pi - 2.0 * std::asin(std::sqrt(below_greatest));
    angles.push_back(wrap_angle(reach.closest - offset));
    if (offset > 0.0 && offset < std::numbers::pi) angles.push_back(wrap_angle(reach.closest + offset));
    return angles;
  }
  // The extreme of |P| on the side of the sphere, if it lies close enough.
  const bool inside = squared > reach.greatest;
  const double extreme = std::sqrt(inside ? reach.greatest : reach.least);
  if (std::abs(extreme - radius) <= NEAR_BOUNDARY * ctx.robot.z1()) {
    angles.push_back(wrap_angle(inside ? reach.closest + std::numbers::pi : reach.closest));
  }
  return angles;
}

// The sign of d|P|²/dθ (zero at the extremes).
double boundary_rate(const CircleReach& reach, double theta) { return std::sin(theta - reach.closest); }

// The in-line configurations at one boundary angle whose branch residual is small; whether any
// residual there is small enough to look for zeros next to the boundary.
bool append_in_line(const IkContext& ctx, double theta, double radius,
                    std::vector<CircleCandidate>& candidates) {
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
    const double offset = residual * residual * radius / (2.0 * std::abs(ctx.robot.y1()));
    if (residual <= MAX_BOUNDARY_RESIDUAL || offset <= MAX_BOUNDARY_OFFSET)
      candidates.push_back({elbows[i], p, theta, SolutionKind::Regular});
    near_zero = near_zero || residual <= NEAR_ZERO_RESIDUAL || offset <= NEAR_ZERO_OFFSET;
  }
  return near_zero;
}

// The zeros of both branches next to a boundary angle, on the side of the reach: inside the outer
// sphere (`outer`), outside the inner one. |P|² changes at rate −a·sin θ + b·cos θ; at the closest
// approach, where it does not change, both sides are tried.
void append_next_to_boundary(const IkContext& ctx, const CircleReach& reach, double theta, bool outer,
                             std::vector<CircleCandidate>& candidates) {
  const double rate = boundary_rate(reach, theta);
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

void append_reach_boundary_candidates(const IkContext& ctx, ReachBoundary boundary,
                                      std::vector<CircleCandidate>& candidates) {
  const double z1 = ctx.robot.z1();
  const double x1 = ctx.robot.x1();
  const bool stretched = boundary == ReachBoundary::Stretched;
  const double radius = stretched ? z1 + x1 : std::abs(z1 - x1);
  // With z1 = x1 the folded boundary is the shoulder itself, which the special angles cover.
  if (!stretched && !(radius > NEAR_AXIS_SHARE * z1)) return;
  const CircleReach reach = circle_reach(ctx);
  for (const double theta : boundary_angles(ctx, reach, radius)) {
    if (append_in_line(ctx, theta, radius, candidates))
      append_next_to_boundary(ctx, reach, theta, stretched, candidates);
  }
}

}  // namespace talvane
