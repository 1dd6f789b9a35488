#include <cmath>
#include <numbers>

#include "ik/roots/trig_roots.hpp"

namespace talvane {

namespace {

// The starting points sit evenly on the circle of radius R0, turned by this angle so that none
// starts on the real axis, where a real polynomial's iteration could not leave it.
constexpr double START_ANGLE = 0.4;
// Where the derivative vanishes exactly, the root is moved by this share of R0 (both parts) instead.
constexpr double ZERO_SLOPE_NUDGE = 0.001;

constexpr int MAX_SWEEPS = 100;
// |v| ≤ β·2^-47: the value is within a small multiple of its own rounding error bound.
constexpr double CONVERGED_FACTOR = 7.105427357601002e-15;

bool is_finite(std::complex<double> z) { return std::isfinite(z.real()) && std::isfinite(z.imag()); }

// |z| without hypot's guard against overflow, which costs more than the rest of a Horner step;
// the monic coefficients are bounded by 1e14 and the radius by their roots, far from overflow.
double magnitude(std::complex<double> z) { return std::sqrt(z.real() * z.real() + z.imag() * z.imag()); }

// 1/z with one division; only differences of distinct approximations are inverted.
std::complex<double> reciprocal(std::complex<double> z) {
  const double scale = 1.0 / (z.real() * z.real() + z.imag() * z.imag());
  return {z.real() * scale, -z.imag() * scale};
}

// Smith's complex division: the library's version guards infinities at several times the cost, and
// this division sits in the innermost loop.
std::complex<double> divide(std::complex<double> a, std::complex<double> b) {
  const double ar = a.real(), ai = a.imag(), br = b.real(), bi = b.imag();
  if (std::abs(br) >= std::abs(bi)) {
    const double ratio = bi / br;
    const double den = br + bi * ratio;
    return {(ar + ai * ratio) / den, (ai - ar * ratio) / den};
  }
  const double ratio = br / bi;
  const double den = br * ratio + bi;
  return {(ar * ratio + ai) / den, (ai * ratio - ar) / den};
}

}  // namespace

std::optional<PolynomialRoots> aberth_roots(const AlgebraicPolynomial& c, int n, double r0) {
  using Complex = std::complex<double>;
  PolynomialRoots roots;
  roots.count = n;
  auto& z = roots.z;
  for (int k = 0; k < n; ++k) {
    const double angle = 2.0 * std::numbers::pi * k / n + START_ANGLE;
    z[k] = r0 * Complex(std::cos(angle), std::sin(angle));
  }
  for (int sweep = 0; sweep < MAX_SWEEPS; ++sweep) {
    bool changed = false;
    for (int j = 0; j < n; ++j) {
      const Complex zj = z[j];
      const double abs_z = magnitude(zj);
      Complex v(1.0, 0.0);
      Complex d(0.0, 0.0);
      double bound = 1.0;
      for (int i = n - 1; i >= 0; --i) {
        d = d * zj + v;
        v = v * zj + c[i];
        bound = bound * abs_z + std::abs(c[i]);
      }
      if (magnitude(v) <= bound * CONVERGED_FACTOR) continue;
      Complex next;
      if (d != Complex(0.0, 0.0)) {
        Complex w = divide(v, d);
        Complex s(0.0, 0.0);
        for (int m = 0; m < n; ++m) {
          if (m == j) continue;
          const Complex diff = zj - z[m];
          if (diff == Complex(0.0, 0.0)) return std::nullopt;
          s += reciprocal(diff);
        }
        const Complex den = 1.0 - w * s;
        if (den != Complex(0.0, 0.0)) w = divide(w, den);
        if (!is_finite(w)) return std::nullopt;
        next = zj - w;
      } else {
        next = zj + (ZERO_SLOPE_NUDGE * r0) * Complex(1.0, 1.0);
      }
      if (next != zj) changed = true;
      z[j] = next;
    }
    if (!changed) return roots;
  }
  return std::nullopt;
}

}  // namespace talvane
