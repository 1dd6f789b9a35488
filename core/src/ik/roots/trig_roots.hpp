// Every real zero of a trigonometric polynomial of degree 4 on the full circle.
//
// The angle origin is turned so that the sample of largest |f| sits at ψ = π; t = tan(ψ/2) then
// turns f into an ordinary polynomial of degree ≤ 8 whose leading coefficient is that sample. Its
// complex roots come from the Aberth–Ehrlich iteration, or from the companion matrix's eigenvalues
// when that iteration gives up; nearly real roots become angles, polished by Newton on f itself.
#pragma once

#include <array>
#include <complex>
#include <optional>
#include <vector>

#include "ik/roots/trig_polynomial.hpp"

namespace talvane {

// The degree of (1 + t²)^4·f(ψ), t = tan(ψ/2), for f of degree 4: at most this many roots.
inline constexpr int MAX_ROOTS = 8;

// p0..p8, the coefficient of t^i at index i.
using AlgebraicPolynomial = std::array<double, MAX_ROOTS + 1>;

// Up to eight complex roots, the first `count` of `z` in use.
struct PolynomialRoots {
  std::array<std::complex<double>, MAX_ROOTS> z{};
  int count = 0;
};

// A root that Newton's polish carried far from the angle of the eigenvalue it came from. f is then
// flat there, as at a near-multiple root, and the zeros it stands for may lie anywhere between the
// two: the eigenvalue's angle is often the better guide (the polish may even have merged it into a
// neighbouring zero).
struct CarriedRoot {
  double start;
  double settled;
};

// A polish moving a root farther than this (radians) has carried it. On random targets about one
// root in five thousand moves that far; next to a folded arm most do.
inline constexpr double CARRIED_DISTANCE = 1e-5;

struct TrigRoots {
  // As trig_roots gives them.
  std::vector<double> angles;
  // Every root carried, merged ones included, in the order the roots were produced.
  std::vector<CarriedRoot> carried;
};

// All zeros as angles in [−π, π), no two closer than 1e-9, in the order the roots were produced.
// An identically zero or non-zero constant polynomial gives no angle.
std::vector<double> trig_roots(const TrigPolynomial& f);

// The same zeros, with the roots the polish carried.
TrigRoots trace_trig_roots(const TrigPolynomial& f);

// (1 + t²)^4·f(ψ) with t = tan(ψ/2), for an already shifted f; p8 = f(π).
AlgebraicPolynomial tan_half_polynomial(const TrigPolynomial& shifted);

// The n roots of the monic polynomial with coefficients c0..c_(n−1) (c_n = 1), starting on the
// circle of radius r0. Nothing when the iteration is abandoned: coincident approximations, a
// non-finite correction, or no convergence within 100 sweeps.
std::optional<PolynomialRoots> aberth_roots(const AlgebraicPolynomial& c, int n, double r0);

// The n roots of p0..p_n as the eigenvalues of the companion matrix, in the solver's order.
PolynomialRoots companion_roots(const AlgebraicPolynomial& p, int n);

// Sign changes of f on a 720-step grid from −π, bisected; used only when the coefficients are not
// finite enough for the algebraic route.
std::vector<double> scan_roots(const TrigPolynomial& f);

// At most 20 Newton steps on f; a step longer than 0.05 or one that does not decrease |f| is not
// taken.
double polish_angle(const TrigPolynomial& f, double theta);

}  // namespace talvane
