// Zeros of the branch residuals g_s(θ), found on g_s itself rather than on the constraint F.
//
// The root finder places F's roots to within its rounding error divided by F's slope, which is
// plenty for ordinary targets. Where the roots are ill-conditioned (the forearm point near the J1
// axis or the shoulder, where g_s turns with the azimuth of P), three solvers of increasing cost
// take over:
//  - Newton with a forward-difference slope, from a root: cheap, and exact when the root is close;
//  - bracketing of a sign change of g_s (regula falsi, halving as a fallback): certain once a
//    bracket is known;
//  - a scan of g_s over a window, in steps that turn the azimuth of P by a bounded amount, so that
//    zeros a root only points at are bracketed; optionally with a search of each local minimum of
//    |g_s|, which finds the pairs of zeros that lie within one step of each other, the zeros
//    where g_s only touches the axis, and, next to a family, the minima just above zero where a
//    configuration still reaches the target.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "ik/ik_context.hpp"

namespace talvane {

// At most 30 Newton steps on g_s from θ, each limited to 0.05 rad and to a turn of about a radian
// of P's azimuth; the end point if there |g_s| ≤ 1e-9.
std::optional<double> refine_branch_angle(const IkContext& ctx, double theta, double sign);

// A stretch of a scan whose steps are no longer than max_step (radians), however far P is from the
// axis there: a step inside [lo, hi] is cut to that length, and one that would reach into it from
// before ends at lo (or after max_step, if that is nearer).
struct FineStretch {
  double lo;
  double hi;
  double max_step;
};

struct BranchScan {
  double center;
  double half_width;
  // Also search every local minimum of |g_s| between samples.
  bool minima;
  // The share of z1 below which P counts as on the J1 axis, so g_s as invalid.
  double axis_share;
  std::span<const FineStretch> fine;
  // Also count a minimum of at most 1e-4 as a zero with P inside the 1e-6·z1 band of the J1 axis,
  // and so a sign change whose bracket ends there within 1e-4 of zero.
  bool minima_in_band = false;
};

// The zeros of both branch residuals, g_+ and g_−, from one scan over the same samples.
struct BranchZeros {
  std::vector<double> plus;
  std::vector<double> minus;
};

// The verified zeros of each g_s in [center − half_width, center + half_width], in ascending order
// (each minimum's zeros where it is found; with minima, then the inside points of stretches that
// stay within rounding of zero, where zeros in a row of such stretches with P inside the 1e-6·z1
// band of the J1 axis give way to the row's two ends). A minimum of |g_s| of at most 1e-4 with P outside the
// 1e-6·z1 band of the J1 axis (or anywhere, with minima_in_band) counts as a zero, and so does a sign change
// pinned between adjacent doubles where g_s is too steep for the 1e-9 bound (|g_s| shrunk a thousandfold, as
// it is not at a jump) and, with minima_in_band, one whose bracket ends within 1e-4 of zero. At most 4,000
// steps, each turning P's azimuth by at most 0.1 rad (P's distances from the axis and the shoulder taken as
// at least 1e-9·z1) and none that reaches into a fine stretch longer than its max_step.
BranchZeros scan_branch_zeros(const IkContext& ctx, const BranchScan& scan);

}  // namespace talvane
