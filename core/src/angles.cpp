#include "angles.hpp"

#include <cmath>
#include <numbers>

namespace talvane {

double wrap_angle(double x) {
  constexpr double PI = std::numbers::pi;
  double r = std::fmod(x + PI, 2.0 * PI);
  if (r < 0.0) r = r + 2.0 * PI;
  return r - PI;
}

bool angles_within(double a, double b, double limit) {
  // Below 3 in magnitude, x + π stays inside [0, 2π), so wrap_angle(x) is x + π − π rounded twice:
  // within 1e-15 of x.
  constexpr double DIRECT_RANGE = 3.0;
  constexpr double WRAP_SLACK = 1e-14;
  const double d = a - b;
  const double size = std::abs(d);
  if (size <= DIRECT_RANGE) {
    if (size >= limit + WRAP_SLACK) return false;
    if (size < limit - WRAP_SLACK) return true;
  }
  return std::abs(wrap_angle(d)) < limit;
}

}  // namespace talvane
