// The core's plain 3-vector and the few operations the kinematics needs on it.
#pragma once

#include <array>
#include <cmath>

namespace talvane {

using Vec3 = std::array<double, 3>;

inline Vec3 cross(const Vec3& a, const Vec3& b) {
  return Vec3{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

inline double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

inline Vec3 subtract(const Vec3& a, const Vec3& b) { return Vec3{a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

inline double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }

}  // namespace talvane
