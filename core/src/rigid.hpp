// Conversion of a 4x4 matrix into a Pose, accepting only rigid transforms.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "pose.hpp"

namespace talvane {

// 100 times the float64 machine epsilon: tight enough that a rotation rounded to single precision
// (errors near 1e-7) is refused, loose enough for products of float64 rotations.
inline constexpr double RIGID_TOLERANCE = 2.220446049250313e-14;

// True when M (row-major) has an orthonormal rotation block within RIGID_TOLERANCE, a positive
// determinant and a bottom row of exactly (0, 0, 0, 1). The translation column is not examined.
bool is_rigid_transform(const Matrix4& m);

// Either the pose or the reason there is none.
struct PoseConversion {
  std::optional<Pose> pose;
  std::string_view error;
};

// The pose of a row-major 4x4 matrix given as 16 values. Fails with "Slice length must be 16" or
// "Failed to convert matrix to isometry". The rotation becomes a quaternion by the trace method and
// is not renormalised.
PoseConversion pose_from_row_major(std::span<const double> values);

}  // namespace talvane
