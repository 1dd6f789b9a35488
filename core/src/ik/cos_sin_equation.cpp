#include "ik/cos_sin_equation.hpp"

#include <algorithm>
#include <cmath>

#include "angles.hpp"

namespace talvane {

namespace {

// Coefficients this small leave the equation degenerate: every angle or none.
constexpr double DEGENERATE_COEFFICIENTS = 1e-12;
// acos's argument may exceed 1 by this much from rounding and still count as a tangent solution.
constexpr double COSINE_SLACK = 1.000000000001;

}  // namespace

CosSinSolutions solve_cos_sin(double x, double y, double a) {
  CosSinSolutions result;
  const double r = std::hypot(x, y);
  if (r < DEGENERATE_COEFFICIENTS) {
    result.kind =
        std::abs(a) < DEGENERATE_COEFFICIENTS ? CosSinSolutions::Kind::Every : CosSinSolutions::Kind::None;
    return result;
  }
  const double c = a / r;
  if (!(std::abs(c) <= COSINE_SLACK)) return result;
  const double base = std::atan2(y, x);
  const double delta = std::acos(std::clamp(c, -1.0, 1.0));
  result.kind = CosSinSolutions::Kind::Angles;
  if (delta < DEGENERATE_COEFFICIENTS) {
    result.angles[0] = wrap_angle(base);
    result.count = 1;
  } else {
    result.angles[0] = wrap_angle(base + delta);
    result.angles[1] = wrap_angle(base - delta);
    result.count = 2;
  }
  return result;
}

}  // namespace talvane
