#include "ik/hard_pose_candidates.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <utility>

#include "ik/branch_zeros.hpp"
#include "ik/coaxial_circle.hpp"
#include "ik/elbow.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/reach_boundary.hpp"
#include "ik/wrist_circle.hpp"
#include "vec3.hpp"

namespace talvane {

namespace {

// Roots whose circle point lies within this share of z1 of the J1 axis are ill-conditioned: the
// share below which the ordinary search no longer tells the branches apart.
constexpr double NEAR_AXIS_DISTANCE = 0.01;
// Such a root lies up to about 1.7e-2 rad of circle angle from the zero of g_s it stands for (over
// some 16,000 targets near the axis on nine arms, lateral offsets 0.3 to 15 times z1), so its circle
// point up to that angle times y1 from the zero's. Where y1 exceeds half of z1 that distance, not
// NEAR_AXIS_DISTANCE·z1, decides which roots lie near the axis.
constexpr double ROOT_ANGLE_SPREAD = 0.02;
// A scan covers ±(this many)·d/y1 around such a root, d the distance of its circle point from the
// axis (or from the shoulder, near it): the circle's closest approach and the whole swing of P's
// azimuth around it lie inside, and so do the zeros that a loosely placed root stands for, which
// can lie several times farther out than the root itself. The steps grow with the distance, so a
// wider window costs only a few more of them.
constexpr double SCAN_HALF_WIDTH = 8.0;
// A zero this close to a listed candidate, with the same elbow, is that candidate.
constexpr double SAME_ZERO_ANGLE = 1e-8;
// The scans count P as on the J1 axis (g_s undefined) only below this share of z1, far inside
// NEAR_AXIS_SHARE, which still sets their steps: next to the shoulder, where P's direction turns
// fastest, a configuration of a family's tube can have P a few 1e-10·z1 from the axis, and P's
// direction is still well defined there (coordinates are rounded to about 1e-13 mm).
constexpr double SCAN_AXIS_SHARE = 1e-12;

// Roots closer than this to one another form a cluster: a near-multiple root of F, placed only
// loosely, where several zeros of the branch residuals may hide (the arm nearly in line with the
// wrist nearly straight, say). The cluster is scanned over its spread on either side, in at least
// CLUSTER_SAMPLES steps.
constexpr double CLUSTER_DISTANCE = 2e-3;
constexpr double CLUSTER_MARGIN = 1.0;
constexpr double CLUSTER_SAMPLES = 64.0;

struct Window {
  double lo;
  double hi;
};

// Overlapping windows merged, in ascending order.
std::vector<Window> merged(std::vector<Window> windows) {
  std::sort(windows.begin(), windows.end(), [](const Window& a, const Window& b) { return a.lo < b.lo; });
  std::vector<Window> out;
  for (const Window& w : windows) {
    if (!out.empty() && w.lo <= out.back().hi) {
      out.back().hi = std::max(out.back().hi, w.hi);
    } else {
      out.push_back(w);
    }
  }
  return out;
}

// Windows around the roots and special angles whose circle point lies near the J1 axis or the
// shoulder, in steps that follow P's azimuth.
std::vector<Window> near_axis_windows(const IkContext& ctx, const CircleSearch& search) {
  const double z1 = ctx.robot.z1();
  const double y1 = std::abs(ctx.robot.y1());
  std::vector<double> centers = search.special_angles;
  centers.insert(centers.end(), search.roots.begin(), search.roots.end());
  const double near = std::max(NEAR_AXIS_DISTANCE * z1, ROOT_ANGLE_SPREAD * y1);
  std::vector<Window> windows;
  for (const double center : centers) {
    const Vec3 p = circle_point(ctx, center);
    const double axis_distance = std::hypot(p[0], p[1]);
    if (!(axis_distance <= near)) continue;
    const double distance = norm(p) <= near ? norm(p) : axis_distance;
    const double half_width = SCAN_HALF_WIDTH * std::max(distance, AXIS_TOLERANCE * z1) / y1;
    if (!std::isfinite(half_width)) continue;
    windows.push_back({center - half_width, center + half_width});
  }
  return merged(std::move(windows));
}

// Stretches around clusters of roots, in steps that resolve the cluster. A near-multiple root is
// placed only loosely: the zeros it stands for can lie farther from it than the cluster's own
// spread. So a cluster also spans the candidates refined from its roots (the angles they moved
// to), and the margin on either side is that whole spread.
std::vector<FineStretch> cluster_stretches(const CircleSearch& search) {
  const std::vector<double>& roots = search.roots;
  std::vector<Window> windows;
  for (std::size_t i = 0; i < roots.size(); ++i) {
    double nearest = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < roots.size(); ++k) {
      if (k != i) nearest = std::min(nearest, std::abs(wrap_angle(roots[i] - roots[k])));
    }
    if (!(nearest < CLUSTER_DISTANCE)) continue;
    double lo = roots[i] - nearest;
    double hi = roots[i] + nearest;
    for (const CircleCandidate& c : search.candidates) {
      const double offset = wrap_angle(c.theta - roots[i]);
      if (!(std::abs(offset) < CLUSTER_DISTANCE)) continue;
      lo = std::min(lo, roots[i] + offset);
      hi = std::max(hi, roots[i] + offset);
    }
    const double margin = CLUSTER_MARGIN * (hi - lo);
    windows.push_back({lo - margin, hi + margin});
  }
  std::vector<FineStretch> out;
  for (const Window& w : merged(std::move(windows)))
    out.push_back({w.lo, w.hi, (w.hi - w.lo) / CLUSTER_SAMPLES});
  return out;
}

bool listed(std::span<const CircleCandidate> candidates, double theta, const Vec3& elbow, double tol) {
  return std::any_of(candidates.begin(), candidates.end(), [&](const CircleCandidate& c) {
    return angles_within(c.theta, theta, SAME_ZERO_ANGLE) && norm(subtract(c.elbow, elbow)) < tol;
  });
}

// Each zero of branch `sign` with its elbow, as a Regular candidate, unless `known` or `found`
// lists it already.
void append_new_zeros(const IkContext& ctx, const std::vector<double>& zeros, double sign,
                      std::span<const CircleCandidate> known, double tol,
                      std::vector<CircleCandidate>& found) {
  for (const double zero : zeros) {
    const Vec3 p = circle_point(ctx, zero);
    const auto elbow = elbow_off_axis(ctx, p, sign, 0.0, SCAN_AXIS_SHARE);
    if (!elbow || listed(known, zero, *elbow, tol) || listed(found, zero, *elbow, tol)) continue;
    found.push_back({*elbow, p, zero, SolutionKind::Regular});
  }
}

// A root that already is a zero of a branch residual, where that branch's refinement wandered off
// along a flat residual (the wrist straight, say): the root itself.
void append_verified_roots(const IkContext& ctx, const CircleSearch& search, double tol,
                           std::vector<CircleCandidate>& found) {
  for (const double root : search.roots) {
    const bool kept =
        std::any_of(search.candidates.begin(), search.candidates.end(),
                    [&](const CircleCandidate& c) { return angles_within(c.theta, root, SAME_ZERO_ANGLE); });
    if (kept) continue;
    const Vec3 p = circle_point(ctx, root);
    for (const double sign : {+1.0, -1.0}) {
      const BranchResidual g = branch_residual(ctx, root, sign);
      if (!g.valid || !(std::abs(g.value) <= VERIFIED_RESIDUAL)) continue;
      const auto elbow = elbow_for(ctx, p, sign, 0.0);
      if (elbow && !listed(found, root, *elbow, tol))
        found.push_back({*elbow, p, root, SolutionKind::Regular});
    }
  }
}

// The windows near the axis and the clusters' stretches, merged, so that where a cluster lies near
// the axis its angles are scanned once.
std::vector<Window> scan_windows(std::vector<Window> near_axis, const std::vector<FineStretch>& clusters) {
  for (const FineStretch& c : clusters) near_axis.push_back({c.lo, c.hi});
  return merged(std::move(near_axis));
}

// The zeros of both branch residuals in every window, as candidates not listed yet: one scan over
// each window, sampled finely enough in the clusters' stretches.
void append_scanned_zeros(const IkContext& ctx, const CircleSearch& search,
                          const std::vector<Window>& windows, const std::vector<FineStretch>& clusters,
                          double tol, std::vector<CircleCandidate>& found) {
  for (const Window& w : windows) {
    const BranchScan scan{w.lo + (w.hi - w.lo) * 0.5, (w.hi - w.lo) * 0.5, true, SCAN_AXIS_SHARE, clusters};
    const BranchZeros zeros = scan_branch_zeros(ctx, scan);
    for (const double sign : {+1.0, -1.0})
      append_new_zeros(ctx, sign > 0.0 ? zeros.plus : zeros.minus, sign, search.candidates, tol, found);
  }
}

// A zero that a branch residual crosses with a small slope has a partner where the residual's
// curvature brings it back: near both, g_s ≈ a·(θ − θ1)·(θ − θ2), so θ2 = θ1 − 2·g'/g'' at θ1. A
// cluster's roots are placed only loosely, and the partner of a zero refined from them can lie
// beyond the cluster's stretch (the arm nearly folded with the wrist nearly straight, say: 2e-3 rad
// from the roots, a bump of 1e-7 between the two zeros). There it is sought on its own, around that
// estimate, with the slope and curvature taken at the stretch's sampling step.
void append_partner_zeros(const IkContext& ctx, const CircleSearch& search,
                          const std::vector<FineStretch>& clusters, double tol,
                          std::vector<CircleCandidate>& found) {
  for (const FineStretch& cluster : clusters) {
    const double h = cluster.max_step;
    for (const CircleCandidate& c : search.candidates) {
      if (c.kind != SolutionKind::Regular || !(c.theta >= cluster.lo && c.theta <= cluster.hi)) continue;
      for (const double sign : {+1.0, -1.0}) {
        const BranchResidual at = branch_residual_off_axis(ctx, c.theta, sign, SCAN_AXIS_SHARE);
        if (!at.valid || !(std::abs(at.value) <= VERIFIED_RESIDUAL)) continue;
        const BranchResidual below = branch_residual_off_axis(ctx, c.theta - h, sign, SCAN_AXIS_SHARE);
        const BranchResidual above = branch_residual_off_axis(ctx, c.theta + h, sign, SCAN_AXIS_SHARE);
        if (!below.valid || !above.valid) continue;
        const double slope = (above.value - below.value) / (2.0 * h);
        const double curvature = (above.value - 2.0 * at.value + below.value) / (h * h);
        const double offset = -2.0 * slope / curvature;
        if (!(std::abs(offset) > 2.0 * h && std::abs(offset) < CLUSTER_DISTANCE)) continue;
        const double partner = c.theta + offset;
        // Inside the stretch the cluster's scan has sought it already.
        if (partner >= cluster.lo && partner <= cluster.hi) continue;
        const BranchScan scan{partner, 0.5 * std::abs(offset), true, SCAN_AXIS_SHARE, {}};
        const BranchZeros zeros = scan_branch_zeros(ctx, scan);
        append_new_zeros(ctx, sign > 0.0 ? zeros.plus : zeros.minus, sign, search.candidates, tol, found);
      }
    }
  }
}

// A root that the polish carried far from its eigenvalue crossed a stretch where F is flat, and
// the zeros that the eigenvalue stood for may have been left behind (the arm nearly folded with the
// wrist nearly straight: a pair of zeros at the eigenvalue, 2.3e-3 rad from the pair the polish
// merged it into). They are sought around the eigenvalue's angle, as far on either side as the
// polish carried it, unless a window scanned already holds that angle.
void append_left_behind_zeros(const IkContext& ctx, const CircleSearch& search,
                              const std::vector<Window>& scanned, double tol,
                              std::vector<CircleCandidate>& found) {
  for (const CarriedRoot& carried : search.carried_roots) {
    const bool seen = std::any_of(scanned.begin(), scanned.end(), [&](const Window& w) {
      return carried.start >= w.lo && carried.start <= w.hi;
    });
    if (seen) continue;
    const double reach = std::abs(wrap_angle(carried.settled - carried.start));
    const BranchScan scan{carried.start, reach, true, SCAN_AXIS_SHARE, {}};
    const BranchZeros zeros = scan_branch_zeros(ctx, scan);
    for (const double sign : {+1.0, -1.0})
      append_new_zeros(ctx, sign > 0.0 ? zeros.plus : zeros.minus, sign, search.candidates, tol, found);
  }
}

// Where both branch residuals vanish at one angle (the arm stretched with the wrist straight, say),
// the angle is a zero of each, but only one branch need cross zero there: the other may just touch
// it, which no sign change brackets, or cross it next to a zero of its own that a refinement reached
// instead (the arm nearly folded with the wrist nearly straight: two zeros of g_− 1e-3 rad apart
// with a bump of 5e-8 between them). Its elbow polishes into a solution of its own. So each
// candidate's angle, the ordinary pass's and the searches', is tried with the other elbow too, where
// P lies outside the band of the J1 axis: inside it both branches vanish all along the family's
// tube, and one member of it is enough.
void append_other_branches(const IkContext& ctx, const CircleSearch& search, double tol,
                           std::vector<CircleCandidate>& found) {
  // By value: pushing a candidate may move the one passed in.
  const auto append_other_branch = [&](double theta, Vec3 p) {
    if (!(std::hypot(p[0], p[1]) > tol)) return;
    const Vec3 n = offset_direction(ctx, theta);
    const Vec3 on_circle = circle_point_at(ctx, n);
    const BranchResiduals g =
        branch_residuals_of(ctx, n, on_circle, arm_triangle(ctx, on_circle), SCAN_AXIS_SHARE);
    for (const double sign : {+1.0, -1.0}) {
      const BranchResidual& g_s = sign > 0.0 ? g.plus : g.minus;
      if (!g_s.valid || !(std::abs(g_s.value) <= VERIFIED_RESIDUAL)) continue;
      const auto elbow = elbow_off_axis(ctx, p, sign, 0.0, SCAN_AXIS_SHARE);
      if (!elbow || listed(search.candidates, theta, *elbow, tol) || listed(found, theta, *elbow, tol))
        continue;
      found.push_back({*elbow, p, theta, SolutionKind::Regular});
    }
  };
  // A root's two elbows share its angle and circle point, and one check serves both.
  const auto checked_before = [](std::span<const CircleCandidate> candidates, std::size_t i) {
    return std::any_of(candidates.begin(), candidates.begin() + i, [&](const CircleCandidate& c) {
      return c.theta == candidates[i].theta && c.circle_point == candidates[i].circle_point;
    });
  };
  const std::size_t count = found.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (!checked_before(found, i)) append_other_branch(found[i].theta, found[i].circle_point);
  }
  for (std::size_t i = 0; i < search.candidates.size(); ++i) {
    const CircleCandidate& c = search.candidates[i];
    if (!checked_before(search.candidates, i)) append_other_branch(c.theta, c.circle_point);
  }
}

}  // namespace

std::vector<CircleCandidate> shoulder_band_minima(const IkContext& ctx, double theta) {
  const double tol = AXIS_TOLERANCE * ctx.robot.z1();
  const double half_width = SCAN_HALF_WIDTH * tol / std::abs(ctx.robot.y1());
  std::vector<CircleCandidate> found;
  if (!std::isfinite(half_width)) return found;
  const BranchScan scan{theta, half_width, true, SCAN_AXIS_SHARE, {}, true};
  const BranchZeros zeros = scan_branch_zeros(ctx, scan);
  for (const double sign : {+1.0, -1.0})
    append_new_zeros(ctx, sign > 0.0 ? zeros.plus : zeros.minus, sign, {}, tol, found);
  return found;
}

HardPoseCandidates hard_pose_candidates(const IkContext& ctx, const CircleSearch& search) {
  const double tol = AXIS_TOLERANCE * ctx.robot.z1();
  std::vector<CircleCandidate> found;
  append_reach_boundary_candidates(ctx, ReachBoundary::Stretched, found);
  const std::size_t folded_begin = found.size();
  append_reach_boundary_candidates(ctx, ReachBoundary::Folded, found);
  const std::size_t folded_end = found.size();
  append_verified_roots(ctx, search, tol, found);
  const std::vector<FineStretch> clusters = cluster_stretches(search);
  const std::vector<Window> scanned = scan_windows(near_axis_windows(ctx, search), clusters);
  append_scanned_zeros(ctx, search, scanned, clusters, tol, found);
  append_partner_zeros(ctx, search, clusters, tol, found);
  append_left_behind_zeros(ctx, search, scanned, tol, found);
  append_other_branches(ctx, search, tol, found);
  const std::vector<CircleCandidate> coaxial = coaxial_circle_candidates(ctx);
  found.insert(found.end(), coaxial.begin(), coaxial.end());
  return {std::move(found), folded_begin, folded_end};
}

}  // namespace talvane
