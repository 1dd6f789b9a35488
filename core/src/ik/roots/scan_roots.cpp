#include <numbers>

#include "ik/roots/trig_roots.hpp"

namespace talvane {

namespace {

constexpr int SCAN_STEPS = 720;
constexpr int BISECTIONS = 80;

}  // namespace

std::vector<double> scan_roots(const TrigPolynomial& f) {
  constexpr double PI = std::numbers::pi;
  constexpr double STEP = PI / 360.0;
  std::vector<double> angles;
  double previous = -PI;
  double x = evaluate(f, previous);
  for (int v = 1; v <= SCAN_STEPS; ++v) {
    const double theta = v * STEP - PI;
    const double y = evaluate(f, theta);
    if (x == 0.0) {
      angles.push_back(previous);
    } else if (x * y < 0.0) {
      double lo = previous;
      double hi = theta;
      double f_lo = x;
      bool exact = false;
      for (int i = 0; i < BISECTIONS; ++i) {
        const double mid = 0.5 * (lo + hi);
        const double f_mid = evaluate(f, mid);
        if (f_mid == 0.0) {
          angles.push_back(mid);
          exact = true;
          break;
        }
        if (f_lo * f_mid < 0.0) {
          hi = mid;
        } else {
          lo = mid;
          f_lo = f_mid;
        }
      }
      if (!exact) angles.push_back(0.5 * (lo + hi));
    }
    x = y;
    previous = theta;
  }
  return angles;
}

}  // namespace talvane
