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

}  // namespace talvane
