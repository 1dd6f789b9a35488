#include "ik/wrist_circle.hpp"

#include <cmath>
#include <numbers>

#include "vec3.hpp"

namespace talvane {

namespace {

constexpr int SAMPLE_COUNT = 16;

// cos(m·π/8) and sin(m·π/8) as float64, m = 0..15: the exact values of the library's cos and sin at
// the sample angles, with cos(π/2) and sin(π) kept as their non-zero float64 values.
constexpr double SAMPLE_TABLE[SAMPLE_COUNT][2] = {
    {1.0, 0.0},
    {0.9238795325112867, 0.3826834323650898},
    {0.7071067811865476, 0.7071067811865475},
    {0.38268343236508984, 0.9238795325112867},
    {6.123233995736766e-17, 1.0},
    {-0.3826834323650897, 0.9238795325112867},
    {-0.7071067811865475, 0.7071067811865476},
    {-0.9238795325112867, 0.3826834323650899},
    {-1.0, 1.2246467991473532e-16},
    {-0.9238795325112868, -0.38268343236508967},
    {-0.7071067811865477, -0.7071067811865475},
    {-0.38268343236509034, -0.9238795325112865},
    {-1.8369701987210297e-16, -1.0},
    {0.38268343236509, -0.9238795325112866},
    {0.7071067811865474, -0.7071067811865477},
    {0.9238795325112865, -0.3826834323650904},
};

}  // namespace

Vec3 offset_direction(const IkContext& ctx, double theta) {
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  return Vec3{c * ctx.tool_x[0] + s * ctx.tool_y[0], c * ctx.tool_x[1] + s * ctx.tool_y[1],
              c * ctx.tool_x[2] + s * ctx.tool_y[2]};
}

Vec3 circle_point(const IkContext& ctx, double theta) {
  return circle_point_at(ctx, offset_direction(ctx, theta));
}

Vec3 circle_point_at(const IkContext& ctx, const Vec3& n) {
  const double y1 = ctx.robot.y1();
  const Vec3& o = ctx.wrist_center;
  return Vec3{o[0] + y1 * n[0], o[1] + y1 * n[1], o[2] + y1 * n[2]};
}

double circle_constraint(const IkContext& ctx, double theta) {
  // Lengths in units of z1 keep F dimensionless and of order one for every robot size.
  const double inv_z1 = 1.0 / ctx.robot.z1();
  const Vec3 n = offset_direction(ctx, theta);
  const Vec3 p = circle_point_at(ctx, n);
  const Vec3 q{p[0] * inv_z1, p[1] * inv_z1, p[2] * inv_z1};
  const double forearm_ratio = ctx.robot.x1() / ctx.robot.z1();
  // Normal of the arm plane, ẑ × q.
  const Vec3 k{-q[1], q[0], 0.0};
  const double r = (dot(q, q) + 1.0 - forearm_ratio * forearm_ratio) * 0.5;
  // Cramer's rule for e·K = 0, e·q = r, e·N = N·q: e = V/D.
  const Vec3 n_cross_k = cross(n, k);
  const Vec3 k_cross_q = cross(k, q);
  const double nq = dot(n, q);
  const Vec3 v{r * n_cross_k[0] + nq * k_cross_q[0], r * n_cross_k[1] + nq * k_cross_q[1],
               r * n_cross_k[2] + nq * k_cross_q[2]};
  const double d = dot(n_cross_k, q);
  return dot(v, v) - d * d;
}

TrigPolynomial interpolate_constraint(const IkContext& ctx) {
  double s0 = 0.0;
  std::array<double, 5> ck{};
  std::array<double, 5> sk{};
  for (int i = 0; i < SAMPLE_COUNT; ++i) {
    const double value = circle_constraint(ctx, i * (std::numbers::pi / 8.0));
    s0 = s0 + value;
    for (int k = 1; k <= 4; ++k) {
      const int m = (k * i) % SAMPLE_COUNT;
      ck[k] = ck[k] + value * SAMPLE_TABLE[m][0];
      sk[k] = sk[k] + value * SAMPLE_TABLE[m][1];
    }
  }
  TrigPolynomial f{};
  f.a[0] = s0 * 0.0625;
  for (int k = 1; k <= 4; ++k) {
    f.a[k] = ck[k] * 0.125;
    f.b[k] = sk[k] * 0.125;
  }
  return f;
}

}  // namespace talvane
