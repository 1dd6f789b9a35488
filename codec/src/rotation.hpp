#pragma once
// The 38-bit rotation code of rotated partitions: a unit quaternion in
// smallest-three form.

#include <array>
#include <cstdint>

namespace talvane::codec {

using Rotation = std::array<std::array<double, 3>, 3>;  // row-major

inline constexpr unsigned ROTATION_CODE_BITS = 38;

// Bits 0-1 name the omitted component (x, y, z, w order); three 12-bit fields
// follow at bits 2, 14 and 26, each u meaning ((u - 2047) / 2047) * 1/sqrt(2).
Rotation decode_rotation(std::uint64_t code);

}  // namespace talvane::codec
