#include "rotation.hpp"

#include <algorithm>
#include <cmath>

namespace talvane::codec {

static constexpr double COMPONENT_SCALE = 0.7071067811865476;  // the double nearest 1/sqrt(2)
static constexpr int COMPONENT_ZERO = 2047;

static double stored_component(std::uint64_t field) {
  const int u = static_cast<int>(field & 0xFFF);
  return (static_cast<double>(u - COMPONENT_ZERO) / 2047.0) * COMPONENT_SCALE;
}

Rotation decode_rotation(std::uint64_t code) {
  const unsigned omitted = static_cast<unsigned>(code & 3);
  std::array<double, 4> q{};  // x, y, z, w
  unsigned field = 0;
  for (unsigned i = 0; i < 4; ++i) {
    if (i == omitted) continue;
    q[i] = stored_component(code >> (2 + 12 * field));
    ++field;
  }
  const double s = ((q[0] * q[0] + q[1] * q[1]) + q[2] * q[2]) + q[3] * q[3];
  q[omitted] = std::sqrt(std::max(1.0 - s, 0.0));

  const double n = q[3] * q[3] + (q[2] * q[2] + (q[0] * q[0] + q[1] * q[1]));
  if (n != 0.0) {
    const double norm = std::sqrt(n);
    for (double& c : q) c /= norm;
  } else {
    q = {0.0, 0.0, 0.0, 1.0};
  }
  const double x = q[0], y = q[1], z = q[2], w = q[3];
  return Rotation{{
      {1.0 - 2.0 * (y * y + z * z), 2.0 * (x * y - z * w), 2.0 * (x * z + y * w)},
      {2.0 * (x * y + z * w), 1.0 - 2.0 * (x * x + z * z), 2.0 * (y * z - x * w)},
      {2.0 * (x * z - y * w), 2.0 * (y * z + x * w), 1.0 - 2.0 * (x * x + y * y)},
  }};
}

}  // namespace talvane::codec
