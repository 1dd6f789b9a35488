#include "rigid.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace talvane {
namespace {

constexpr double EPSILON = std::numeric_limits<double>::epsilon();

// Equal, or within RIGID_TOLERANCE absolutely or one epsilon relatively; infinities only match
// themselves and NaN matches nothing.
bool is_near(double x, double y) {
  if (x == y) return true;
  if (std::isinf(x) || std::isinf(y)) return false;
  const double difference = std::fabs(x - y);
  return difference <= RIGID_TOLERANCE || difference <= std::max(std::fabs(x), std::fabs(y)) * EPSILON;
}

double at(const Matrix4& m, int row, int column) { return m[static_cast<std::size_t>(4 * row + column)]; }

// Dot product of columns a and b of the rotation block.
double column_dot(const Matrix4& m, int a, int b) {
  return at(m, 0, a) * at(m, 0, b) + at(m, 1, a) * at(m, 1, b) + at(m, 2, a) * at(m, 2, b);
}

// The rotation block as a quaternion, largest-component branch first so that s stays away from 0.
Quaternion rotation_quaternion(const Matrix4& m) {
  const double r00 = at(m, 0, 0), r01 = at(m, 0, 1), r02 = at(m, 0, 2);
  const double r10 = at(m, 1, 0), r11 = at(m, 1, 1), r12 = at(m, 1, 2);
  const double r20 = at(m, 2, 0), r21 = at(m, 2, 1), r22 = at(m, 2, 2);
  const double trace = r00 + r11 + r22;
  if (trace > 0.0) {
    const double s = std::sqrt(trace + 1.0) * 2.0;
    return Quaternion{(r21 - r12) / s, (r02 - r20) / s, (r10 - r01) / s, 0.25 * s};
  }
  if (r11 < r00 && r22 < r00) {
    const double s = std::sqrt(r00 + 1.0 - r11 - r22) * 2.0;
    return Quaternion{0.25 * s, (r10 + r01) / s, (r20 + r02) / s, (r21 - r12) / s};
  }
  if (r11 > r22) {
    const double s = std::sqrt(r11 + 1.0 - r00 - r22) * 2.0;
    return Quaternion{(r10 + r01) / s, 0.25 * s, (r21 + r12) / s, (r02 - r20) / s};
  }
  const double s = std::sqrt(r22 + 1.0 - r00 - r11) * 2.0;
  return Quaternion{(r20 + r02) / s, (r21 + r12) / s, 0.25 * s, (r10 - r01) / s};
}

}  // namespace

bool is_rigid_transform(const Matrix4& m) {
  for (int a = 0; a < 3; ++a) {
    for (int b = a; b < 3; ++b) {
      if (!is_near(column_dot(m, a, b), a == b ? 1.0 : 0.0)) return false;
    }
  }
  const double determinant = at(m, 0, 0) * (at(m, 1, 1) * at(m, 2, 2) - at(m, 2, 1) * at(m, 1, 2)) -
                             at(m, 0, 1) * (at(m, 1, 0) * at(m, 2, 2) - at(m, 2, 0) * at(m, 1, 2)) +
                             at(m, 0, 2) * (at(m, 1, 0) * at(m, 2, 1) - at(m, 2, 0) * at(m, 1, 1));
  if (!(determinant > 0.0)) return false;
  return at(m, 3, 0) == 0.0 && at(m, 3, 1) == 0.0 && at(m, 3, 2) == 0.0 && at(m, 3, 3) == 1.0;
}

PoseConversion pose_from_row_major(std::span<const double> values) {
  Matrix4 m{};
  if (values.size() != m.size()) return {std::nullopt, "Slice length must be 16"};
  std::copy(values.begin(), values.end(), m.begin());
  if (!is_rigid_transform(m)) return {std::nullopt, "Failed to convert matrix to isometry"};
  return {Pose{rotation_quaternion(m), {at(m, 0, 3), at(m, 1, 3), at(m, 2, 3)}}, {}};
}

}  // namespace talvane
