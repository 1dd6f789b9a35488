#include <Eigen/Eigenvalues>
#include <limits>

#include "ik/roots/trig_roots.hpp"

namespace talvane {

namespace {

// Bounded only so that the iteration always ends; finite companion matrices of this size converge
// in a few dozen iterations.
constexpr Eigen::Index SCHUR_ITERATION_CAP = 100000;

}  // namespace

PolynomialRoots companion_roots(const AlgebraicPolynomial& p, int n) {
  // Fixed capacity MAX_ROOTS × MAX_ROOTS: no heap use even on this fallback path.
  using Companion = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, 0, MAX_ROOTS, MAX_ROOTS>;
  Companion m = Companion::Zero(n, n);
  for (int k = 0; k < n; ++k) m(0, k) = -p[n - 1 - k] / p[n];
  for (int i = 1; i < n; ++i) m(i, i - 1) = 1.0;

  PolynomialRoots roots;
  roots.count = n;
  // Overflowing quotients, or an iteration stopped at the cap, leave the solver's eigenvalues
  // unset; report every root as unknown so that none passes for a real one.
  const auto unknown_roots = [&] {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int k = 0; k < n; ++k) roots.z[k] = {nan, nan};
    return roots;
  };
  if (!m.allFinite()) return unknown_roots();
  Eigen::EigenSolver<Companion> solver;
  solver.setMaxIterations(SCHUR_ITERATION_CAP);
  solver.compute(m, /*computeEigenvectors=*/false);
  if (solver.info() != Eigen::Success) return unknown_roots();
  const auto& values = solver.eigenvalues();
  for (int k = 0; k < n; ++k) roots.z[k] = values(k);
  return roots;
}

}  // namespace talvane
