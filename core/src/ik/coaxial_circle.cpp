#include "ik/coaxial_circle.hpp"

#include <cmath>

#include "ik/elbow.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/wrist_circle.hpp"
#include "vec3.hpp"

namespace talvane {

bool circle_is_coaxial(const IkContext& ctx) {
  const double z1 = ctx.robot.z1();
  const Vec3& w = ctx.wrist_center;
  const Vec3 z = cross(ctx.tool_x, ctx.tool_y);
  return std::hypot(w[0], w[1]) <= AXIS_TOLERANCE * z1 && std::hypot(z[0], z[1]) <= AXIS_TOLERANCE;
}

std::vector<CircleCandidate> coaxial_circle_candidates(const IkContext& ctx) {
  std::vector<CircleCandidate> found;
  if (!circle_is_coaxial(ctx)) return found;
  // N(θ) along the base x axis, so P lies at azimuth 0 and J1 comes out as 0 (its twin a half turn
  // off).
  const double theta = std::atan2(ctx.tool_y[0], ctx.tool_x[0]);
  const Vec3 p = circle_point(ctx, theta);
  for (const double sign : {+1.0, -1.0}) {
    if (const auto elbow = elbow_for(ctx, p, sign, REACH_SLACK)) {
      found.push_back({*elbow, p, theta, SolutionKind::SingularFamily});
    }
  }
  return found;
}

}  // namespace talvane
