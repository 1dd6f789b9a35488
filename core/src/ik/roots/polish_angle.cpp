#include <cmath>

#include "ik/roots/trig_roots.hpp"

namespace talvane {

namespace {

constexpr int MAX_NEWTON_STEPS = 20;
// A longer step would leave the root's basin; the root is then kept as found.
constexpr double MAX_STEP = 0.05;
constexpr double SETTLED_STEP = 1e-15;

}  // namespace

double polish_angle(const TrigPolynomial& f, double theta) {
  double value = evaluate(f, theta);
  for (int i = 0; i < MAX_NEWTON_STEPS; ++i) {
    const double slope = evaluate_derivative(f, theta);
    if (slope == 0.0) break;
    const double step = -value / slope;
    // Written so that a NaN step is refused too.
    if (!(std::abs(step) <= MAX_STEP)) break;
    const double next = theta + step;
    const double next_value = evaluate(f, next);
    if (!(std::abs(next_value) < std::abs(value))) break;
    theta = next;
    value = next_value;
    if (std::abs(step) < SETTLED_STEP) break;
  }
  return theta;
}

}  // namespace talvane
