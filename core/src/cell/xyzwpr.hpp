// FANUC's XYZWPR position format: x, y, z in mm and W, P, R in degrees, rotations about the fixed
// x, y and z axes in that order, so that the rotation is Rz(R)·Ry(P)·Rx(W).
#pragma once

#include <array>

#include "pose.hpp"

namespace talvane {

// x, y, z (mm), W, P, R (degrees), as the teach pendant lists them.
using Xyzwpr = std::array<double, 6>;

// Below this, cos P counts as zero (P = ±90°, gimbal lock): the float64 cosine of 90° is 6.1e-17
// and products of rotations leave about 1e-15 there, while setting W to 0 for a cos P this small
// moves no matrix entry by more than about 1e-12.
inline constexpr double GIMBAL_LOCK_COS_P = 1e-12;

// The 4x4 matrix, row by row, of a position; the rotation is built from the elementary rotations'
// sines and cosines, the bottom row is exactly (0, 0, 0, 1).
Matrix4 matrix_from_xyzwpr(const Xyzwpr& xyzwpr);

// The position of a rigid transform (the caller checks rigidity). W, P and R lie in (−180, 180],
// P in [−90, 90]. At P = ±90° only W − R (P = 90) or W + R (P = −90) is defined, and W = 0 is
// returned.
Xyzwpr xyzwpr_from_matrix(const Matrix4& m);

}  // namespace talvane
