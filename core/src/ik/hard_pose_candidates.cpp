#include "ik/hard_pose_candidates.hpp"

#include <algorithm>
#include <cmath>

#include "ik/branch_zeros.hpp"
#include "ik/elbow.hpp"
#include "ik/reach_boundary.hpp"
#include "ik/vec3_ops.hpp"
#include "ik/wrist_circle.hpp"

namespace talvane {

namespace {

constexpr double AXIS_TOLERANCE = 1e-6;
// Roots whose circle point lies within this share of z1 of the J1 axis are ill-conditioned: the
// share below which the ordinary search no longer tells the branches apart.
constexpr double NEAR_AXIS_DISTANCE = 0.01;
// A scan covers ±(this many)·d/y1 around such a root, d the distance of its circle point from the
// axis (or from the shoulder, near it): the circle's closest approach and the whole swing of P's
// azimuth around it lie inside.
constexpr double SCAN_HALF_WIDTH = 2.0;
// The scans look inside the 1e-6·z1 band around the J1 axis too, down to this share of z1: there
// the special angles stand for P on the axis, while a solution may have P a hair off it, with an
// azimuth still well defined in floating point.
constexpr double SCAN_AXIS_SHARE = 1e-9;
// A zero this close to a listed candidate, with the same elbow, is that candidate.
constexpr double SAME_ZERO_ANGLE = 1e-8;

struct Window {
  double lo;
  double hi;
};

// The scan windows around the ill-conditioned roots and the special angles, overlapping ones merged.
std::vector<Window> scan_windows(const IkContext& ctx, const CircleSearch& search) {
  const double z1 = ctx.robot.z1();
  const double y1 = std::abs(ctx.robot.y1());
  std::vector<double> centers = search.special_angles;
  centers.insert(centers.end(), search.roots.begin(), search.roots.end());
  std::vector<Window> windows;
  for (const double root : centers) {
    const Vec3 p = circle_point(ctx, root);
    const double axis_distance = std::hypot(p[0], p[1]);
    if (!(axis_distance <= NEAR_AXIS_DISTANCE * z1)) continue;
    const double distance = norm(p) <= NEAR_AXIS_DISTANCE * z1 ? norm(p) : axis_distance;
    const double half_width = SCAN_HALF_WIDTH * std::max(distance, AXIS_TOLERANCE * z1) / y1;
    if (!std::isfinite(half_width)) continue;
    windows.push_back({root - half_width, root + half_width});
  }
  std::sort(windows.begin(), windows.end(), [](const Window& a, const Window& b) { return a.lo < b.lo; });
  std::vector<Window> merged;
  for (const Window& w : windows) {
    if (!merged.empty() && w.lo <= merged.back().hi) {
      merged.back().hi = std::max(merged.back().hi, w.hi);
    } else {
      merged.push_back(w);
    }
  }
  return merged;
}

bool listed(const std::vector<CircleCandidate>& candidates, double theta, const Vec3& elbow, double tol) {
  return std::any_of(candidates.begin(), candidates.end(), [&](const CircleCandidate& c) {
    return std::abs(wrap_angle(c.theta - theta)) < SAME_ZERO_ANGLE && norm(subtract(c.elbow, elbow)) < tol;
  });
}

}  // namespace

std::vector<CircleCandidate> hard_pose_candidates(const IkContext& ctx, const CircleSearch& search) {
  const double tol = AXIS_TOLERANCE * ctx.robot.z1();
  std::vector<CircleCandidate> found = reach_boundary_candidates(ctx);
  for (const Window& w : scan_windows(ctx, search)) {
    const BranchScan scan{w.lo + (w.hi - w.lo) * 0.5, (w.hi - w.lo) * 0.5, true, SCAN_AXIS_SHARE};
    for (const double sign : {+1.0, -1.0}) {
      for (const double zero : scan_branch_zeros(ctx, scan, sign)) {
        const Vec3 p = circle_point(ctx, zero);
        const auto elbow = elbow_off_axis(ctx, p, sign, 0.0, SCAN_AXIS_SHARE);
        if (!elbow || listed(search.candidates, zero, *elbow, tol) || listed(found, zero, *elbow, tol)) continue;
        found.push_back({*elbow, p, zero, SolutionKind::Regular});
      }
    }
  }
  return found;
}

}  // namespace talvane
