#include "ik/circle_candidates.hpp"

#include <algorithm>
#include <cmath>

#include "ik/elbow.hpp"
#include "ik/roots/trig_roots.hpp"
#include "ik/axis_crossings.hpp"
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
constexpr int MAX_REFINE_STEPS = 30;
constexpr double DIFFERENCE_STEP = 1e-7;
constexpr double MAX_REFINE_STEP = 0.05;
constexpr double SETTLED_STEP = 1e-15;
constexpr double VERIFIED_RESIDUAL = 1e-9;
// The unrefined fallback accepts an elbow slightly out of reach: h² ≥ −1e-6·z1².
constexpr double FALLBACK_TOLERANCE_FACTOR = 1e-6;

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

// Newton on g_s with a forward-difference slope, starting at the root; nothing when the residual
// becomes invalid on the way or the end point does not verify.
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
  const BranchResidual g = branch_residual(ctx, theta, sign);
  if (g.valid && std::abs(g.value) <= VERIFIED_RESIDUAL) return theta;
  return std::nullopt;
}

void append_regular_candidates(const IkContext& ctx, double root, std::vector<CircleCandidate>& out) {
  const double z1 = ctx.robot.z1();
  const Vec3 p_root = circle_point(ctx, root);
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

}  // namespace

std::vector<CircleCandidate> circle_candidates(const IkContext& ctx) {
  std::vector<CircleCandidate> candidates;
  candidates.reserve(INITIAL_CAPACITY);
  const std::vector<double> specials = special_angles(ctx);
  for (const double theta : specials) append_special_candidates(ctx, theta, candidates);

  for (const double root : trig_roots(interpolate_constraint(ctx))) {
    const bool covered = std::any_of(specials.begin(), specials.end(), [&](double s) {
      return std::abs(wrap_angle(root - s)) < SPECIAL_ANGLE_EXCLUSION;
    });
    if (!covered) append_regular_candidates(ctx, root, candidates);
  }
  return candidates;
}

}  // namespace talvane
