// Trigonometric polynomials of degree 4 and their evaluation.
#pragma once

#include <array>

namespace talvane {

// f(θ) = a0 + Σ_{k=1..4} (a_k·cos kθ + b_k·sin kθ). b[0] is always 0 and never evaluated.
struct TrigPolynomial {
  std::array<double, 5> a;
  std::array<double, 5> b;
};

// cos kx and sin kx for k = 0..4, from cos x and sin x by the angle-addition recurrences, so that
// every evaluation of a polynomial rounds the same way.
struct Harmonics {
  std::array<double, 5> cos;
  std::array<double, 5> sin;
};
Harmonics harmonics(double x);

// a0 plus the eight harmonic terms, in the order a1, b1, a2, b2, ...
double evaluate(const TrigPolynomial& f, double theta);

// f′(θ) = Σ_{k=1..4} k·(b_k·cos kθ − a_k·sin kθ).
double evaluate_derivative(const TrigPolynomial& f, double theta);

// Both from the same harmonics, for Newton steps: one sine and cosine instead of two.
struct ValueAndSlope {
  double value;
  double slope;
};
ValueAndSlope evaluate_with_derivative(const TrigPolynomial& f, double theta);

}  // namespace talvane
