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
  constexpr double PI = std::numbers::pi;
  // Below 3π in magnitude, x + π stays below 4π, and wrap_angle(x) is x, or x ∓ 2π, with two
  // roundings of a few ulps of π at most: within 1e-14 of it. Near ±π either form is that close.
  constexpr double DIRECT_RANGE = 9.0;
  constexpr double WRAP_SLACK = 1e-14;
  const double d = a - b;
  const double size = std::abs(d);
  if (size <= DIRECT_RANGE) {
    const double wrapped_size = size <= PI ? size : std::abs(size - 2.0 * PI);
    if (wrapped_size >= limit + WRAP_SLACK) return false;
    if (wrapped_size < limit - WRAP_SLACK) return true;
  }
  return std::abs(wrap_angle(d)) < limit;
}

}  // namespace talvane
