// Rigid transforms held as a unit quaternion and a translation (mm).
#pragma once

#include <array>

#include "robot.hpp"

namespace talvane {

// A unit quaternion, vector part (i, j, k) and scalar part w.
struct Quaternion {
  double i;
  double j;
  double k;
  double w;
  friend bool operator==(const Quaternion&, const Quaternion&) = default;
};

inline constexpr Quaternion IDENTITY_ROTATION{0.0, 0.0, 0.0, 1.0};

// A rigid transform from a local frame to the base frame: rotate, then translate (mm).
struct Pose {
  Quaternion rotation;
  Vec3 translation;
  friend bool operator==(const Pose&, const Pose&) = default;
};

inline constexpr Pose IDENTITY_POSE{IDENTITY_ROTATION, {0.0, 0.0, 0.0}};

// Hamilton product a ⊗ b, evaluated term by term left to right.
Quaternion quaternion_multiply(const Quaternion& a, const Quaternion& b);

// v rotated by q: t = 2(u × v), result w·t + (u × t) + v, component by component.
Vec3 quaternion_rotate(const Quaternion& q, const Vec3& v);

// The rotation by `angle` (radians) about the unit `axis`; the identity for angles so small that
// the half-angle vector's squared norm is at most 2^-104.
Quaternion axis_angle_quaternion(const Vec3& axis, double angle);

// Composition a·b: rotation a ⊗ b, translation t_a + R_a·t_b.
Pose compose(const Pose& a, const Pose& b);

// The 4x4 homogeneous matrix, row by row; bottom row exactly (0, 0, 0, 1).
using Matrix4 = std::array<double, 16>;
Matrix4 pose_to_matrix(const Pose& pose);

}  // namespace talvane
