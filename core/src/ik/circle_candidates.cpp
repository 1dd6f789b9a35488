#include "ik/circle_candidates.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "ik/axis_crossings.hpp"
#include "ik/branch_zeros.hpp"
#include "ik/elbow.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/roots/trig_roots.hpp"
#include "ik/wrist_circle.hpp"
#include "vec3.hpp"

namespace talvane {

namespace {

constexpr std::size_t INITIAL_CAPACITY = 16;
// Roots this close to a special angle are already covered by its candidates.
constexpr double SPECIAL_ANGLE_EXCLUSION = 1e-5;
// Below this share of z1 from the axis the branch residuals are too ill-conditioned to say which
// branch a root belongs to, so both branches are tried.
constexpr double BRANCH_TEST_DISTANCE = 0.01;
constexpr double OTHER_BRANCH_RESIDUAL = 0.01;
constexpr double OWN_BRANCH_RESIDUAL = 1e-6;
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
    // The unrefined fallback accepts an elbow slightly out of reach.
    if (const auto elbow = elbow_for(ctx, p_root, sign, REACH_SLACK)) {
      out.push_back({*elbow, p_root, root, SolutionKind::Regular});
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

  TrigRoots traced = trace_trig_roots(interpolate_constraint(ctx));
  search.roots = std::move(traced.angles);
  search.carried_roots = std::move(traced.carried);
  const std::vector<double>& roots = search.roots;
  for (std::size_t i = 0; i < roots.size(); ++i) {
    const double root = roots[i];
    const bool covered = std::any_of(specials.begin(), specials.end(), [&](double s) {
      return angles_within(root, s, SPECIAL_ANGLE_EXCLUSION);
    });
    if (covered) continue;
    const Vec3 p_root = circle_point(ctx, root);
    append_regular_candidates(ctx, root, p_root, candidates);
  }
  return search;
}

std::vector<CircleCandidate> circle_candidates(const IkContext& ctx) { return search_circle(ctx).candidates; }

}  // namespace talvane
