#include "ik/least_squares_step.hpp"

#include <Eigen/QR>
#include <Eigen/SVD>
#include <cmath>

namespace talvane {

namespace {

// Singular values at or below this share of the largest count as zero.
constexpr double SINGULAR_VALUE_CUTOFF = 1e-12;
// Column pivoting bounds J's singular values by the pivots r_kk, a classical result:
// |r_11| ≤ σ_1 ≤ √6·|r_11|, σ_k ≥ |r_kk|/22 for k ≤ 6, and σ_(k+1) ≤ √(6 − k)·|r_(k+1)(k+1)|. So
// when the last pivot kept is at least KEPT_PIVOT of the first and the next one at most
// DROPPED_PIVOT of it, the SVD keeps exactly the same directions; the five orders between them keep
// the two minimum-norm steps close.
constexpr double KEPT_PIVOT = 1e-9;
constexpr double DROPPED_PIVOT = 1e-14;

using Matrix6 = Eigen::Matrix<double, 6, 6>;

// The minimum-norm solution of the first `rank` rows of R·x = c (R upper triangular): those rows
// are a wide upper trapezoid T, and with Tᵀ = Q·L the solution is Q·(Lᵀ)⁻¹·c.
StepVector minimum_norm_solution(const Matrix6& r, const StepVector& c, int rank) {
  if (rank == 6) return r.triangularView<Eigen::Upper>().solve(c);
  using Tall = Eigen::Matrix<double, 6, Eigen::Dynamic, 0, 6, 6>;
  const Tall transposed = r.topRows(rank).transpose();
  const Eigen::HouseholderQR<Tall> qr(transposed);
  StepVector padded = StepVector::Zero();
  padded.head(rank) =
      qr.matrixQR().topRows(rank).triangularView<Eigen::Upper>().transpose().solve(c.head(rank));
  return qr.householderQ() * padded;
}

// The numerical rank of J when the pivots of its column-pivoted QR show a clear gap around the
// cutoff; none otherwise. The first pivot is the largest, so a finite nonzero one is always kept.
std::optional<int> clear_rank(const Eigen::ColPivHouseholderQR<PoseErrorJacobian>& qr) {
  const StepVector pivots = qr.matrixQR().diagonal().cwiseAbs();
  const double largest = pivots(0);
  if (!(largest > 0.0 && std::isfinite(largest))) return std::nullopt;
  int rank = 0;
  while (rank < 6 && pivots(rank) > SINGULAR_VALUE_CUTOFF * largest) ++rank;
  if (!(pivots(rank - 1) >= KEPT_PIVOT * largest)) return std::nullopt;
  if (rank < 6 && !(pivots(rank) <= DROPPED_PIVOT * largest)) return std::nullopt;
  return rank;
}

std::optional<StepVector> finite_only(const std::optional<StepVector>& step) {
  if (step && step->allFinite()) return step;
  return std::nullopt;
}

}  // namespace

// Least squares through J = Q·R: the SVD of the 6x6 R gives J's singular values and right vectors,
// and its left vectors act on the first six entries of Qᵀ·e, so no 12x12 U is ever formed.
std::optional<StepVector> svd_least_squares_step(const PoseErrorJacobian& jacobian,
                                                 const ErrorVector& error) {
  const Eigen::HouseholderQR<PoseErrorJacobian> qr(jacobian);
  const ErrorVector rotated = qr.householderQ().transpose() * (-error);
  const Matrix6 r = qr.matrixQR().topRows<6>().triangularView<Eigen::Upper>();
  const Eigen::JacobiSVD<Matrix6> svd(r, Eigen::ComputeFullU | Eigen::ComputeFullV);
  const StepVector& sigma = svd.singularValues();
  if (!sigma.allFinite()) return std::nullopt;
  const double cutoff = SINGULAR_VALUE_CUTOFF * sigma(0);
  StepVector step = StepVector::Zero();
  for (int i = 0; i < 6; ++i) {
    if (!(sigma(i) > cutoff)) continue;
    step += svd.matrixV().col(i) * (svd.matrixU().col(i).dot(rotated.head<6>()) / sigma(i));
  }
  return step;
}

std::optional<StepVector> least_squares_step(const PoseErrorJacobian& jacobian, const ErrorVector& error) {
  const Eigen::ColPivHouseholderQR<PoseErrorJacobian> qr(jacobian);
  if (const std::optional<int> rank = clear_rank(qr)) {
    const ErrorVector rotated = qr.householderQ().transpose() * (-error);
    const Matrix6 r = qr.matrixQR().topRows<6>().triangularView<Eigen::Upper>();
    const StepVector step = qr.colsPermutation() * minimum_norm_solution(r, rotated.head<6>(), *rank);
    if (step.allFinite()) return step;
  }
  return finite_only(svd_least_squares_step(jacobian, error));
}

}  // namespace talvane
