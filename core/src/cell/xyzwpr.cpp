#include "cell/xyzwpr.hpp"

#include <cmath>
#include <numbers>

#include "angles.hpp"
#include "robot.hpp"

namespace talvane {
namespace {

// Degrees in (−180, 180]; an atan2 of ±π must not come out as −180, and adding 0.0 turns −0.0
// into 0.0 so that tables read "0", not "-0".
double half_open_degrees(double radians) {
  double degrees = radians * RAD_TO_DEG;
  if (degrees <= -180.0) degrees += 360.0;
  if (degrees > 180.0) degrees -= 360.0;
  return degrees + 0.0;
}

}  // namespace

Matrix4 matrix_from_xyzwpr(const Xyzwpr& p) {
  const double w = p[3] * DEG_TO_RAD;
  const double pitch = p[4] * DEG_TO_RAD;
  const double r = p[5] * DEG_TO_RAD;
  const double cw = std::cos(w), sw = std::sin(w);
  const double cp = std::cos(pitch), sp = std::sin(pitch);
  const double cr = std::cos(r), sr = std::sin(r);
  // clang-format off
  return Matrix4{
      cr * cp, cr * sp * sw - sr * cw, cr * sp * cw + sr * sw, p[0],
      sr * cp, sr * sp * sw + cr * cw, sr * sp * cw - cr * sw, p[1],
      -sp,     cp * sw,                cp * cw,                p[2],
      0.0,     0.0,                    0.0,                    1.0,
  };
  // clang-format on
}

Xyzwpr xyzwpr_from_matrix(const Matrix4& m) {
  const double r00 = m[0], r01 = m[1], r02 = m[2];
  const double r10 = m[4], r11 = m[5], r12 = m[6];
  const double r20 = m[8];
  const double cos_p = std::hypot(r00, r10);
  double w = 0.0;
  double p = 0.0;
  double r = 0.0;
  if (cos_p < GIMBAL_LOCK_COS_P) {
    // With W = 0 the rotation is Rz(R)·Ry(±90°), whose middle column is (−sin R, cos R, 0).
    p = std::copysign(std::numbers::pi / 2.0, -r20);
    r = std::atan2(-r01, r11);
  } else {
    p = std::atan2(-r20, cos_p);
    r = std::atan2(r10, r00);
    // W from the row Rz(−R)·M = Ry(P)·Rx(W) whose entries are (0, cos W, −sin W): consistent with
    // R whatever R's own rounding, which keeps the matrix exact close to gimbal lock.
    const double cr = std::cos(r), sr = std::sin(r);
    w = std::atan2(sr * r02 - cr * r12, cr * r11 - sr * r01);
  }
  return Xyzwpr{m[3], m[7], m[11], half_open_degrees(w), half_open_degrees(p), half_open_degrees(r)};
}

}  // namespace talvane
