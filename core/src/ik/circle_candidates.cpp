#include "ik/circle_candidates.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include "ik/axis_crossings.hpp"
#include "ik/branch_zeros.hpp"
#include "ik/elbow.hpp"
#include "ik/roots/trig_roots.hpp"
#include "ik/vec3_ops.hpp"
#include "ik/wrist_circle.hpp"

namespace talvane {

namespace {

constexpr std::size_t INITIAL_CAPACITY = 16;
// Shares of z1 below which a point counts as on the J1 axis or at the shoulder.
constexpr double AXIS_TOLERANCE = 1e-6;
// Roots this close to a special angle are already covered by its candidates.
constexpr double SPECIAL_ANGLE_EXCLUSION = 1e-5;
// Below this share of z1 from the axis the branch residuals are too ill-conditioned to say which
// branch a root belongs to, so both branches are tried.
constexpr double BRANCH_TEST_DISTANCE = 0.01;
constexpr double OTHER_BRANCH_RESIDUAL = 0.01;
constexpr double OWN_BRANCH_RESIDUAL = 1e-6;
// The unrefined fallback accepts an elbow slightly out of reach: h² ≥ −1e-6·z1².
constexpr double FALLBACK_TOLERANCE_FACTOR = 1e-6;
// Within this share of z1 of the shoulder the constraint's roots come in tight, nearly double
// clusters that the root finder places only loosely, so the branch residuals are also searched
// directly for sign changes around each such root.
constexpr double SHOULDER_SCAN_DISTANCE = 0.01;
// The scan covers ±(this many)·|P|/y1 around the root: there the direction of P from the shoulder
// turns by a couple of radians, beyond the spread of the cluster.
constexpr double SCAN_HALF_WIDTH = 2.0;
// A scanned zero this close to a candidate already listed, with the same elbow, is that candidate.
constexpr double SAME_ZERO_ANGLE = 1e-8;

double sign_of(double v) { return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0); }

void append_special_candidates(const IkContext& ctx, double theta, std::vector<CircleCandidate>& out) {
  const double z1 = ctx.robot.z1();
  const double x1 = ctx.robot.x1();
  const double tol = AXIS_TOLERANCE * z1;
  const Vec3 p = circle_point(ctx, theta);
  const auto append_axis_elbows = [&] {
    for (const Vec3& elbow : axis_elbows(ctx, theta)) {
      out.push_back({elbow, p, theta, SolutionKind::AxisDegenerate});
    }
  };
  if (norm(p) < tol) {
    if (const auto elbow = shoulder_elbow(ctx, theta)) {
      out.push_back({*elbow, p, theta, SolutionKind::SingularFamily});
    }
  } else if (std::abs(p[2]) >= tol) {
    const double f = (p[2] * p[2] + z1 * z1 - x1 * x1) / (2.0 * std::abs(p[2]));
    const double h = std::sqrt(std::max(z1 * z1 - f * f, 0.0));
    if (h < tol) {
      // The elbow itself is on the J1 axis: the arm is stretched along it.
      out.push_back({Vec3{0.0, 0.0, sign_of(p[2]) * f}, p, theta, SolutionKind::SingularFamily});
    } else {
      append_axis_elbows();
    }
  } else if (tol > 0.0) {
    out.push_back({Vec3{0.0, 0.0, 0.0}, p, theta, SolutionKind::SingularFamily});
  } else {
    append_axis_elbows();
  }
}

void append_regular_candidates(const IkContext& ctx, double root, const Vec3& p_root,
                               std::vector<CircleCandidate>& out) {
  const double z1 = ctx.robot.z1();
  BranchResidual upper{false, 0.0};
  BranchResidual lower{false, 0.0};
  if (std::hypot(p_root[0], p_root[1]) > BRANCH_TEST_DISTANCE * z1) {
    upper = branch_residual(ctx, root, +1.0);
    lower = branch_residual(ctx, root, -1.0);
  }
  for (const double sign : {+1.0, -1.0}) {
    const BranchResidual& own = sign > 0.0 ? upper : lower;
    const BranchResidual& other = sign > 0.0 ? lower : upper;
    // The root clearly belongs to the other branch.
    if (own.valid && other.valid && std::abs(own.value) > OTHER_BRANCH_RESIDUAL &&
        std::abs(other.value) < OWN_BRANCH_RESIDUAL) {
      continue;
    }
    if (const auto theta = refine_branch_angle(ctx, root, sign)) {
      const Vec3 p = circle_point(ctx, *theta);
      if (const auto elbow = elbow_for(ctx, p, sign, 0.0)) {
        out.push_back({*elbow, p, *theta, SolutionKind::Regular});
        continue;
      }
    }
    if (const auto elbow = elbow_for(ctx, p_root, sign, FALLBACK_TOLERANCE_FACTOR)) {
      out.push_back({*elbow, p_root, root, SolutionKind::Regular});
    }
  }
}

bool already_listed(const std::vector<CircleCandidate>& candidates, double theta, const Vec3& elbow,
                    double tol) {
  return std::any_of(candidates.begin(), candidates.end(), [&](const CircleCandidate& c) {
    return c.kind == SolutionKind::Regular && std::abs(wrap_angle(c.theta - theta)) < SAME_ZERO_ANGLE &&
           norm(subtract(c.elbow, elbow)) < tol;
  });
}

// Every sign change of g_+ and g_− around a root whose circle point lies near the shoulder, as
// Regular candidates not yet listed. Each is a verified zero of the residual, so a real arm
// configuration; the scan only finds what the loosely placed roots led the refinement past.
void append_shoulder_zeros(const IkContext& ctx, double root, std::vector<CircleCandidate>& out) {
  const double z1 = ctx.robot.z1();
  const double y1 = std::abs(ctx.robot.y1());
  const double tol = AXIS_TOLERANCE * z1;
  const Vec3 p_root = circle_point(ctx, root);
  const double half_width = SCAN_HALF_WIDTH * norm(p_root) / y1;
  if (!(half_width > 0.0) || !std::isfinite(half_width)) return;
  for (const double sign : {+1.0, -1.0}) {
    for (const double zero : scan_branch_zeros(ctx, BranchScan{root, half_width, false, AXIS_TOLERANCE, std::numeric_limits<double>::infinity()}, sign)) {
      const Vec3 p_zero = circle_point(ctx, zero);
      const auto elbow = elbow_for(ctx, p_zero, sign, 0.0);
      if (elbow && !already_listed(out, zero, *elbow, tol)) {
        out.push_back({*elbow, p_zero, zero, SolutionKind::Regular});
      }
    }
  }
}

}  // namespace

CircleSearch search_circle(const IkContext& ctx) {
  CircleSearch search;
  std::vector<CircleCandidate>& candidates = search.candidates;
  candidates.reserve(INITIAL_CAPACITY);
  search.special_angles = special_angles(ctx);
  const std::vector<double>& specials = search.special_angles;
  for (const double theta : specials) append_special_candidates(ctx, theta, candidates);

  search.roots = trig_roots(interpolate_constraint(ctx));
  const std::vector<double>& roots = search.roots;
  std::array<bool, 8> near_shoulder{};
  std::size_t near_count = 0;
  for (std::size_t i = 0; i < roots.size(); ++i) {
    const double root = roots[i];
    const bool covered = std::any_of(specials.begin(), specials.end(), [&](double s) {
      return std::abs(wrap_angle(root - s)) < SPECIAL_ANGLE_EXCLUSION;
    });
    if (covered) continue;
    const Vec3 p_root = circle_point(ctx, root);
    append_regular_candidates(ctx, root, p_root, candidates);
    if (i < near_shoulder.size() && norm(p_root) <= SHOULDER_SCAN_DISTANCE * ctx.robot.z1()) {
      near_shoulder[i] = true;
      ++near_count;
    }
  }
  // After every candidate of the plain procedure, so that its solutions keep their places.
  for (std::size_t i = 0; near_count > 0 && i < roots.size() && i < near_shoulder.size(); ++i) {
    if (near_shoulder[i]) append_shoulder_zeros(ctx, roots[i], candidates);
  }
  return search;
}

std::vector<CircleCandidate> circle_candidates(const IkContext& ctx) { return search_circle(ctx).candidates; }

}  // namespace talvane
