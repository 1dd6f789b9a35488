// A golden-section search for the least of |g_s| between samples of a branch residual, where a
// pair of zeros closer together than the samples, or a zero where g_s only touches the axis, can
// hide. The scans of the wrist circle and the search next to the reach boundary both use it.
#pragma once

#include <numbers>
#include <optional>

#include "ik/elbow.hpp"

namespace talvane {

// The share of the larger part of its bracket at which the search probes next, 2 − φ: the bracket
// then shrinks by φ − 1 per step.
inline constexpr double GOLDEN_SECTION = 2.0 - std::numbers::phi;

// Where the search ended. Crossed: s·g_s reached zero or below at x (its value there g_x), so g_s
// changes sign in [lo, x] and in [x, hi]. Otherwise x is the point of least |g_s| found, g_x its
// value.
struct Dip {
  bool crossed;
  double lo;
  double x;
  double g_x;
  double hi;
};

// From lo < mid < hi, with g_s of one sign at all three and |g_s| least at mid (g_mid), at most
// max_steps probes of residual_at (a callable from a point to a BranchResidual). Nothing where a
// probe is not valid.
template <class ResidualAt>
std::optional<Dip> search_dip(const ResidualAt& residual_at, double lo, double mid, double g_mid, double hi,
                              int max_steps) {
  const double side = g_mid < 0.0 ? -1.0 : 1.0;
  double best = mid;
  double best_value = side * g_mid;
  for (int i = 0; i < max_steps; ++i) {
    // Probe the larger part of the bracket.
    const bool right = hi - best > best - lo;
    const double x = right ? best + GOLDEN_SECTION * (hi - best) : best - GOLDEN_SECTION * (best - lo);
    if (x <= lo || x >= hi || x == best) break;
    const BranchResidual g = residual_at(x);
    if (!g.valid) return std::nullopt;
    const double value = side * g.value;
    if (value <= 0.0) return Dip{true, lo, x, g.value, hi};
    if (value < best_value) {
      (right ? lo : hi) = best;
      best = x;
      best_value = value;
    } else {
      (right ? hi : lo) = x;
    }
  }
  return Dip{false, lo, best, side * best_value, hi};
}

}  // namespace talvane
