#include "ik/branch_zeros.hpp"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "ik/elbow.hpp"
#include "ik/golden_section.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/wrist_circle.hpp"

namespace talvane {

namespace {

constexpr int MAX_REFINE_STEPS = 30;
constexpr double DIFFERENCE_STEP = 1e-7;
constexpr double MAX_REFINE_STEP = 0.05;
// Each scan step turns the azimuth of P (at rate about y1/ρ_P) by at most this many radians, so
// neighbouring zeros of the residual fall into different steps.
constexpr double SCAN_AZIMUTH_STEP = 0.1;
constexpr int MAX_SCAN_STEPS = 4000;
constexpr int MAX_BISECTIONS = 200;
// A secant point closer to an end than this share of the bracket is replaced by the midpoint.
constexpr double MIN_SECANT_SHARE = 0.01;
// After this many steps a bracket around a zero has shrunk by far more than a thousandfold, and so
// has |g_s| at its ends; a bracket around a jump has not.
constexpr int JUMP_CHECK_STEPS = 40;
constexpr double JUMP_SHARE = 1e-3;
// Golden-section steps for a minimum of |g_s|: its bracket shrinks by 0.618 per step, to adjacent
// doubles well within this count.
constexpr int MAX_MINIMUM_STEPS = 120;
// g_s follows P's direction, which a scan step turns by at most SCAN_AZIMUTH_STEP: a sampled minimum
// of |g_s| above this cannot hide a zero between its neighbours.
constexpr double MINIMUM_SEARCH_RESIDUAL = 0.25;
// Points checked, and added, inside a stretch between two zeros where g_s stays within rounding of
// zero.
constexpr int FLAT_STRETCH_POINTS = 3;
// Next to a family (P a few band widths from the shoulder or the J1 axis) the set of joint vectors
// reaching the target thickens, and |g_s| can have a minimum a little above zero where polishing
// still reaches the target well within the acceptance bound: a configuration of its own, which
// other solvers report. Such a minimum with P outside the axis band counts as a zero; inside the
// band it would only repeat the family member listed there, unless that member stalled.
constexpr double NEAR_ZERO_MINIMUM = 1e-4;

// One branch residual g_s, with the share of z1 below which P counts as on the J1 axis.
struct Branch {
  const IkContext& ctx;
  double sign;
  double axis_share;
  // Whether a minimum inside the axis band counts too.
  bool minima_in_band = false;
  BranchResidual at(double theta) const { return branch_residual_off_axis(ctx, theta, sign, axis_share); }
  bool verified(double theta) const {
    const BranchResidual g = at(theta);
    return g.valid && std::abs(g.value) <= VERIFIED_RESIDUAL;
  }
  // The least point of a minimum of |g_s| counts as a zero when verified, or when it stays within
  // NEAR_ZERO_MINIMUM with P outside the axis band (or anywhere, with minima_in_band).
  bool minimum_is_zero(double theta) const {
    const BranchResidual g = at(theta);
    if (!g.valid) return false;
    if (std::abs(g.value) <= VERIFIED_RESIDUAL) return true;
    if (!(std::abs(g.value) <= NEAR_ZERO_MINIMUM)) return false;
    return minima_in_band || outside_axis_band(theta);
  }
  // Whether P at θ lies outside the 1e-6·z1 band of the J1 axis (and so of the shoulder).
  bool outside_axis_band(double theta) const {
    const Vec3 p = circle_point(ctx, theta);
    return std::hypot(p[0], p[1]) > AXIS_TOLERANCE * ctx.robot.z1();
  }
  // Within a hair of the shoulder P's direction, and g_s with it, carries rounding errors of order
  // 1e-13 mm over P's distance from the J1 axis (1e-7 at a few 1e-7 mm): a sign change there can be
  // pinned no closer to zero than that, neither verified nor told from a jump by how far |g_s|
  // shrinks. Where minima inside the band count, so does such a crossing, on the terms of a minimum.
  bool rounded_crossing(double theta) const { return minima_in_band && minimum_is_zero(theta); }
};

// A zero of g_s in [lo, hi], whose ends differ in sign, by regula falsi with the Illinois
// modification (superlinear on a smooth zero), falling back to halving when a step barely shrinks
// the bracket. Near the J1 axis g_s also changes sign where the elbow jumps to the other side of the
// axis without passing zero: when |g_s| at both ends stops shrinking, the bracket holds such a jump
// and is given up.
std::optional<double> bisect(const Branch& branch, double lo, double g_lo, double hi) {
  const BranchResidual g_hi_start = branch.at(hi);
  if (!g_hi_start.valid) return std::nullopt;
  double g_hi = g_hi_start.value;
  // The values the secant uses; Illinois halves the stale one.
  double f_lo = g_lo;
  double f_hi = g_hi;
  int stale = 0;
  const double start_size = std::min(std::abs(g_lo), std::abs(g_hi));
  const auto nearer_end = [&] { return std::abs(g_hi) < std::abs(g_lo) ? hi : lo; };
  for (int i = 0; i < MAX_BISECTIONS; ++i) {
    double x = lo + (hi - lo) * (f_lo / (f_lo - f_hi));
    const double width = hi - lo;
    // Keep the secant point off the ends; halve when it would not shrink the bracket by much.
    if (!(x > lo + width * MIN_SECANT_SHARE && x < hi - width * MIN_SECANT_SHARE)) x = lo + width * 0.5;
    if (x <= lo || x >= hi) break;
    const BranchResidual g = branch.at(x);
    if (!g.valid) return std::nullopt;
    if (g.value == 0.0) return x;
    if ((g.value < 0.0) == (g_lo < 0.0)) {
      lo = x;
      g_lo = g.value;
      f_lo = g.value;
      if (stale == -1) f_hi *= 0.5;
      stale = -1;
    } else {
      hi = x;
      g_hi = g.value;
      f_hi = g.value;
      if (stale == +1) f_lo *= 0.5;
      stale = +1;
    }
    // Ends already within the verification bound are a zero, however noisy g_s is there.
    if (i == JUMP_CHECK_STEPS &&
        std::min(std::abs(g_lo), std::abs(g_hi)) > std::max(JUMP_SHARE * start_size, VERIFIED_RESIDUAL)) {
      if (branch.rounded_crossing(nearer_end())) return nearer_end();
      return std::nullopt;
    }
  }
  const double theta = nearer_end();
  if (branch.verified(theta)) return theta;
  // Next to the shoulder or the J1 axis g_s turns as fast as P's direction, at a rate of order y1
  // over P's distance from them: there the last bit of θ can move it by more than the verification
  // bound. A sign change pinned between adjacent doubles, with |g_s| shrunk as at a zero and not as
  // at a jump, is a zero to the last bit.
  const bool pinned = std::nextafter(lo, hi) >= hi;
  if (pinned && std::min(std::abs(g_lo), std::abs(g_hi)) <= JUMP_SHARE * start_size) return theta;
  if (branch.rounded_crossing(theta)) return theta;
  return std::nullopt;
}

// Where s·g_s, positive at the three bracket points with the middle one lowest, has its least
// value in [lo, hi]: a zero where it touches 0 or nearly so, or the two zeros on either side where it
// dips below.
void minimum_zeros(const Branch& branch, double lo, double mid, double g_mid, double hi,
                   std::vector<double>& zeros) {
  const auto dip = search_dip([&](double x) { return branch.at(x); }, lo, mid, g_mid, hi, MAX_MINIMUM_STEPS);
  if (!dip) return;
  if (!dip->crossed) {
    if (branch.minimum_is_zero(dip->x)) zeros.push_back(dip->x);
    return;
  }
  if (dip->g_x == 0.0) {
    zeros.push_back(dip->x);
    return;
  }
  // Two crossings, one on each side of x.
  if (const auto z = bisect(branch, dip->lo, branch.at(dip->lo).value, dip->x)) zeros.push_back(*z);
  if (const auto z = bisect(branch, dip->x, dip->g_x, dip->hi)) zeros.push_back(*z);
}

// Both g_s at θ, with an upper bound of the rate (per radian of θ) at which P's direction turns
// there, seen from the J1 axis (its azimuth) and from the shoulder: g_s follows that direction, so
// steps of SCAN_AZIMUTH_STEP over this rate put neighbouring zeros into different steps. One sine
// and cosine, and one P, serve all three.
struct ScanSample {
  BranchResidual g_plus;
  BranchResidual g_minus;
  double direction_rate;
};

ScanSample scan_sample(const IkContext& ctx, double theta, double tol, double axis_share) {
  const double y1 = std::abs(ctx.robot.y1());
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  // N and P as offset_direction and circle_point form them.
  const Vec3 n{c * ctx.tool_x[0] + s * ctx.tool_y[0], c * ctx.tool_x[1] + s * ctx.tool_y[1],
               c * ctx.tool_x[2] + s * ctx.tool_y[2]};
  const Vec3 p = circle_point_at(ctx, n);
  // The horizontal velocity of P: y1 times that of N' = −sin θ·U + cos θ·W.
  const double vx = y1 * (-s * ctx.tool_x[0] + c * ctx.tool_y[0]);
  const double vy = y1 * (-s * ctx.tool_x[1] + c * ctx.tool_y[1]);
  const ArmTriangle t = arm_triangle(ctx, p);
  const BranchResiduals g = branch_residuals_of(ctx, n, p, t, axis_share);
  const double axis_distance = std::max(t.rho, tol);
  const double shoulder_distance = std::max(t.length, tol);
  return {g.plus, g.minus, std::hypot(vx, vy) / axis_distance + y1 / shoulder_distance};
}

// One branch's part of a scan: its residual at the current sample and the one before, and its zeros.
struct BranchScanState {
  Branch branch;
  BranchResidual g;
  BranchResidual g_before;
  std::vector<double> zeros;

  // Moves from the sample at theta (the one before at `before`) to the one at next, looking for a
  // zero between them or a minimum of |g_s| at theta.
  void advance(bool minima, double before, double theta, double next, BranchResidual g_next) {
    if (g.valid && g_next.valid && (g.value < 0.0) != (g_next.value < 0.0)) {
      const auto zero =
          g_next.value == 0.0 ? std::optional<double>(next) : bisect(branch, theta, g.value, next);
      if (zero) zeros.push_back(*zero);
    } else if (minima && g_before.valid && g.valid && g_next.valid &&
               std::abs(g.value) <= MINIMUM_SEARCH_RESIDUAL && (g_before.value < 0.0) == (g.value < 0.0) &&
               std::abs(g.value) < std::abs(g_before.value) && std::abs(g.value) <= std::abs(g_next.value)) {
      minimum_zeros(branch, before, theta, g.value, next, zeros);
    }
    g_before = g;
    g = g_next;
  }
};

// Point k of the FLAT_STRETCH_POINTS evenly spaced points inside [lo, hi].
double inside_point(double lo, double hi, int k) {
  return lo + (hi - lo) * (k + 1) / (FLAT_STRETCH_POINTS + 1);
}

// Whether g_s stays within rounding of zero at the inside points of [lo, hi].
bool flat_between(const Branch& branch, double lo, double hi) {
  if (!(hi > lo)) return false;
  for (int k = 0; k < FLAT_STRETCH_POINTS; ++k) {
    if (!branch.verified(inside_point(lo, hi, k))) return false;
  }
  return true;
}

// Between two neighbouring zeros g_s may stay within rounding of zero all along (the arm in line on
// the J1 axis with the wrist straight, say): every angle there is as much a zero as the two ends,
// and the configurations they give drift apart in joint space. Points inside such a stretch are
// zeros too, so that every part of it is near a listed one. Where several flat stretches follow one
// another, rounding has scattered minima through one long stretch (hundreds, next to where two
// families meet): that stretch keeps its two ends and its own inside points, not every minimum
// inside the band of the J1 axis, where one member stands for the family. A zero inside the run
// with P outside that band stays: it can be an isolated solution that neither end nor any inside
// point comes near in joint space (P 1.3 band widths off the axis, the wrist nearly straight: a
// run 1.7e-4 rad long, q's zero in it, the nearest row 7e-4 rad from q).
void fill_flat_stretches(const Branch& branch, std::vector<double>& zeros) {
  const std::size_t count = zeros.size();
  std::vector<double> ends;
  std::vector<double> filled;
  for (std::size_t i = 0; i < count;) {
    std::size_t last = i;
    while (last + 1 < count && flat_between(branch, zeros[last], zeros[last + 1])) ++last;
    ends.push_back(zeros[i]);
    if (last > i) {
      for (std::size_t k = i + 1; k < last; ++k) {
        if (branch.outside_axis_band(zeros[k])) ends.push_back(zeros[k]);
      }
      ends.push_back(zeros[last]);
      // A single gap's inside points are the ones flat_between just checked; a run's lie anywhere in it.
      for (int k = 0; k < FLAT_STRETCH_POINTS; ++k) {
        const double theta = inside_point(zeros[i], zeros[last], k);
        if (last == i + 1 || branch.verified(theta)) filled.push_back(theta);
      }
    }
    i = last + 1;
  }
  zeros = std::move(ends);
  zeros.insert(zeros.end(), filled.begin(), filled.end());
}

}  // namespace

std::optional<double> refine_branch_angle(const IkContext& ctx, double theta, double sign) {
  for (int i = 0; i < MAX_REFINE_STEPS; ++i) {
    const BranchResidual g0 = branch_residual(ctx, theta, sign);
    const BranchResidual g1 = branch_residual(ctx, theta + DIFFERENCE_STEP, sign);
    if (!g0.valid || !g1.valid) return std::nullopt;
    const double slope = (g1.value - g0.value) / DIFFERENCE_STEP;
    if (slope == 0.0) break;
    // Near the J1 axis the azimuth of P, which drives g_s, turns by about y1·Δθ/ρ_P: a step is
    // trusted only while it turns that azimuth by at most a radian.
    const Vec3 p = circle_point(ctx, theta);
    const double axis_distance = std::sqrt(p[0] * p[0] + p[1] * p[1]);
    const double limit = std::min(MAX_REFINE_STEP, axis_distance / std::abs(ctx.robot.y1()));
    const double step = std::clamp(-g0.value / slope, -limit, limit);
    theta = theta + step;
    if (std::abs(step) < SETTLED_STEP) break;
  }
  if (Branch{ctx, sign, AXIS_TOLERANCE}.verified(theta)) return theta;
  return std::nullopt;
}

BranchZeros scan_branch_zeros(const IkContext& ctx, const BranchScan& scan) {
  const double tol = std::max(scan.axis_share, NEAR_AXIS_SHARE) * ctx.robot.z1();
  const double end = scan.center + scan.half_width;
  double theta = scan.center - scan.half_width;
  ScanSample sample = scan_sample(ctx, theta, tol, scan.axis_share);
  const BranchResidual not_yet{false, 0.0};
  BranchScanState plus{{ctx, +1.0, scan.axis_share, scan.minima_in_band}, sample.g_plus, not_yet, {}};
  BranchScanState minus{{ctx, -1.0, scan.axis_share, scan.minima_in_band}, sample.g_minus, not_yet, {}};
  // The sample before the current one, for the minima of |g_s|.
  double before = theta;
  for (int i = 0; i < MAX_SCAN_STEPS && theta < end; ++i) {
    double step = SCAN_AZIMUTH_STEP / sample.direction_rate;
    // A step that would reach into a fine stretch from before it ends at its start instead, or
    // after max_step if that is nearer; inside it, steps are at most max_step.
    for (const FineStretch& f : scan.fine) {
      if (theta < f.hi && theta + step > f.lo) step = std::min(step, std::max(f.lo - theta, f.max_step));
    }
    const double next = std::min(theta + step, end);
    sample = scan_sample(ctx, next, tol, scan.axis_share);
    plus.advance(scan.minima, before, theta, next, sample.g_plus);
    minus.advance(scan.minima, before, theta, next, sample.g_minus);
    before = theta;
    theta = next;
  }
  if (scan.minima) {
    fill_flat_stretches(plus.branch, plus.zeros);
    fill_flat_stretches(minus.branch, minus.zeros);
  }
  return {std::move(plus.zeros), std::move(minus.zeros)};
}

}  // namespace talvane
