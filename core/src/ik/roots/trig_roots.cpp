#include "ik/roots/trig_roots.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "angles.hpp"
#include "ik/ik_tolerances.hpp"

namespace talvane {

namespace {

constexpr int LARGEST_SAMPLE_COUNT = 64;
// 1/64 of a turn, exactly representable, so the angles are l·2π/64 as the samples are defined.
constexpr double SAMPLE_SPACING = 1.0 / LARGEST_SAMPLE_COUNT;
// Coefficients below this share of the largest one are rounding noise of the lower degree.
constexpr double NEGLIGIBLE_COEFFICIENT = 1e-14;
// A root counts as real when its imaginary part is at most 1 % of max(|Re|, 1).
constexpr double REAL_ROOT_TOLERANCE = 0.01;
constexpr std::size_t INITIAL_CAPACITY = MAX_ROOTS;

// The first of the 64 samples with the largest |f|; ties and NaN keep the earlier angle.
double largest_sample_angle(const TrigPolynomial& f) {
  double best = -1.0;
  double best_theta = 0.0;
  for (int l = 0; l < LARGEST_SAMPLE_COUNT; ++l) {
    const double theta = l * 2.0 * std::numbers::pi * SAMPLE_SPACING;
    const double value = std::abs(evaluate(f, theta));
    if (value > best) {
      best = value;
      best_theta = theta;
    }
  }
  return best_theta;
}

// f′(ψ) = f(ψ + φ0).
TrigPolynomial shifted_by(const TrigPolynomial& f, double phi0) {
  const Harmonics h = harmonics(phi0);
  TrigPolynomial g = f;
  for (std::size_t k = 1; k <= 4; ++k) {
    g.a[k] = f.a[k] * h.cos[k] + f.b[k] * h.sin[k];
    g.b[k] = f.b[k] * h.cos[k] - f.a[k] * h.sin[k];
  }
  return g;
}

void append_polished(TrigRoots& roots, const TrigPolynomial& f, double theta) {
  const double polished = wrap_angle(polish_angle(f, theta));
  if (!std::isfinite(polished)) return;
  if (!angles_within(polished, theta, CARRIED_DISTANCE)) roots.carried.push_back({theta, polished});
  for (const double existing : roots.angles) {
    if (angles_within(polished, existing, MERGE_DISTANCE)) return;
  }
  roots.angles.push_back(polished);
}

}  // namespace

std::vector<double> trig_roots(const TrigPolynomial& f) { return trace_trig_roots(f).angles; }

TrigRoots trace_trig_roots(const TrigPolynomial& f) {
  TrigRoots found;
  std::vector<double>& angles = found.angles;
  angles.reserve(INITIAL_CAPACITY);

  const double phi0 = largest_sample_angle(f) - std::numbers::pi;
  const AlgebraicPolynomial p = tan_half_polynomial(shifted_by(f, phi0));

  // A non-finite coefficient makes f non-finite almost everywhere; the scan then finds what
  // sign changes remain (normally none) instead of feeding NaN to the eigen-solver.
  const bool finite = std::all_of(p.begin(), p.end(), [](double v) { return std::isfinite(v); });
  double largest = 0.0;
  for (const double v : p) largest = std::max(largest, std::abs(v));
  if (finite && largest == 0.0) return found;
  const double threshold = NEGLIGIBLE_COEFFICIENT * largest;
  int n = 0;
  for (int i = MAX_ROOTS; i >= 1; --i) {
    if (std::abs(p[i]) > threshold) {
      n = i;
      break;
    }
  }
  if (!finite || n == 0) {
    if (finite && std::abs(p[0]) > threshold) return found;
    // Only non-finite coefficients get here.
    for (const double theta : scan_roots(f)) append_polished(found, f, theta);
    return found;
  }

  AlgebraicPolynomial c{};
  for (int i = 0; i <= n; ++i) c[i] = p[i] / p[n];
  double r0 = 0.0;
  for (int k = 0; k < n; ++k) {
    const double candidate = std::pow(std::abs(c[k]), 1.0 / (n - k));
    if (candidate > r0) r0 = candidate;
  }

  PolynomialRoots roots;
  if (r0 == 0.0) {
    roots.count = n;
  } else if (auto aberth = aberth_roots(c, n, r0)) {
    roots = *aberth;
  } else {
    roots = companion_roots(p, n);
  }

  for (int k = 0; k < roots.count; ++k) {
    const std::complex<double> z = roots.z[k];
    // Written so that a NaN root is never taken as real.
    if (!(std::abs(z.imag()) <= REAL_ROOT_TOLERANCE * std::max(std::abs(z.real()), 1.0))) continue;
    append_polished(found, f, wrap_angle(2.0 * std::atan(z.real()) + phi0));
  }
  return found;
}

}  // namespace talvane
