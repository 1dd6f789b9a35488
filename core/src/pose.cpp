#include "pose.hpp"

#include <cmath>

namespace talvane {

Quaternion quaternion_multiply(const Quaternion& a, const Quaternion& b) {
  return Quaternion{
      a.w * b.i + a.i * b.w + a.j * b.k - a.k * b.j,
      a.w * b.j - a.i * b.k + a.j * b.w + a.k * b.i,
      a.w * b.k + a.i * b.j - a.j * b.i + a.k * b.w,
      a.w * b.w - a.i * b.i - a.j * b.j - a.k * b.k,
  };
}

Vec3 quaternion_rotate(const Quaternion& q, const Vec3& v) {
  const Vec3 t{
      2.0 * (q.j * v[2] - q.k * v[1]),
      2.0 * (q.k * v[0] - q.i * v[2]),
      2.0 * (q.i * v[1] - q.j * v[0]),
  };
  const Vec3 u_cross_t{
      q.j * t[2] - q.k * t[1],
      q.k * t[0] - q.i * t[2],
      q.i * t[1] - q.j * t[0],
  };
  return Vec3{
      q.w * t[0] + u_cross_t[0] + v[0],
      q.w * t[1] + u_cross_t[1] + v[1],
      q.w * t[2] + u_cross_t[2] + v[2],
  };
}

Quaternion axis_angle_quaternion(const Vec3& axis, double angle) {
  // Below 2^-104 the half-angle is too small for sin(n)/n to be meaningful.
  constexpr double TINY_HALF_ANGLE_SQUARED = 4.930380657631324e-32;
  const double hx = axis[0] * angle * 0.5;
  const double hy = axis[1] * angle * 0.5;
  const double hz = axis[2] * angle * 0.5;
  const double s = hx * hx + hy * hy + hz * hz;
  if (s <= TINY_HALF_ANGLE_SQUARED) return IDENTITY_ROTATION;
  const double n = std::sqrt(s);
  const double f = std::sin(n) / n;
  return Quaternion{hx * f, hy * f, hz * f, std::cos(n)};
}

Pose compose(const Pose& a, const Pose& b) {
  const Vec3 r = quaternion_rotate(a.rotation, b.translation);
  return Pose{
      quaternion_multiply(a.rotation, b.rotation),
      {a.translation[0] + r[0], a.translation[1] + r[1], a.translation[2] + r[2]},
  };
}

Matrix4 pose_to_matrix(const Pose& pose) {
  const double i = pose.rotation.i;
  const double j = pose.rotation.j;
  const double k = pose.rotation.k;
  const double w = pose.rotation.w;
  const double ii = i * i;
  const double jj = j * j;
  const double kk = k * k;
  const double ww = w * w;
  // The diagonal keeps all four squares rather than using 1 minus the others.
  return Matrix4{
      ii + ww - jj - kk,
      2.0 * i * j - 2.0 * k * w,
      2.0 * i * k + 2.0 * j * w,
      pose.translation[0],
      2.0 * i * j + 2.0 * k * w,
      jj + (ww - ii) - kk,
      2.0 * j * k - 2.0 * i * w,
      pose.translation[1],
      2.0 * i * k - 2.0 * j * w,
      2.0 * j * k + 2.0 * i * w,
      kk + ((ww - ii) - jj),
      pose.translation[2],
      0.0,
      0.0,
      0.0,
      1.0,
  };
}

}  // namespace talvane
