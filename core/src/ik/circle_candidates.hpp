// The wrist-circle search: every circle angle at which an arm configuration exists, with its elbow.
#pragma once

#include <vector>

#include "ik/ik_context.hpp"
#include "ik/roots/trig_roots.hpp"
#include "ik/solution_kind.hpp"

namespace talvane {

struct CircleCandidate {
  // The J3 origin E, mm.
  Vec3 elbow;
  // P(θ), the forearm point on the wrist circle, mm.
  Vec3 circle_point;
  // Special angles and unrefined roots lie in [−π, π); a refined root is kept as refined.
  double theta;
  SolutionKind kind;
};

// What the circle search found: its candidates, and the special angles and roots they came from.
struct CircleSearch {
  std::vector<CircleCandidate> candidates;
  std::vector<double> special_angles;
  std::vector<double> roots;
  // The roots that the polish carried far from their eigenvalues (F flat there).
  std::vector<CarriedRoot> carried_roots;
};

CircleSearch search_circle(const IkContext& ctx);

// The special-angle candidates first (in special-angle order), then the Regular candidates root by
// root, elbow sign +1 before −1. Empty for an unreachable target.
std::vector<CircleCandidate> circle_candidates(const IkContext& ctx);

}  // namespace talvane
