#include <cmath>

#include "ik/ik_tolerances.hpp"
#include "ik/roots/trig_roots.hpp"

namespace talvane {

namespace {

// A longer step would leave the root's basin; the root is then kept as found.
constexpr double MAX_STEP = 0.05;

}  // namespace

double polish_angle(const TrigPolynomial& f, double theta) {
  ValueAndSlope current = evaluate_with_derivative(f, theta);
  for (int i = 0; i < MAX_NEWTON_STEPS; ++i) {
    if (current.slope == 0.0) break;
    const double step = -current.value / current.slope;
    // Written so that a NaN step is refused too.
    if (!(std::abs(step) <= MAX_STEP)) break;
    const double next = theta + step;
    const ValueAndSlope at_next = evaluate_with_derivative(f, next);
    if (!(std::abs(at_next.value) < std::abs(current.value))) break;
    theta = next;
    current = at_next;
    if (std::abs(step) < SETTLED_STEP) break;
  }
  return theta;
}

}  // namespace talvane
