// The least-squares step of the joint polishing where the normal equations are too ill-conditioned
// for Cholesky: the minimum-norm solution of J·δ = −e with the singular values of J at or below
// 1e-12 of the largest left out.
//
// At singular poses the polishing takes most of its steps here, and a 6x6 Jacobi SVD is most of
// each step's cost. A column-pivoted QR gives the same step far more cheaply wherever its pivots
// show a clear gap around that cutoff: the pivots bound the singular values from both sides, so
// then both drop the same directions (a family's exactly flat one, say). Only where a pivot lies
// near the cutoff does the step go through the SVD.
#pragma once

#include <Eigen/Core>
#include <optional>

#include "ik/pose_error_jacobian.hpp"

namespace talvane {

// The step by the SVD of J, every singular value compared with the cutoff; nullopt where the
// singular values are not finite.
std::optional<StepVector> svd_least_squares_step(const PoseErrorJacobian& jacobian, const ErrorVector& error);

// The same step, through the column-pivoted QR of J where its pivots are clearly apart from the
// cutoff, through svd_least_squares_step otherwise; nullopt unless the step is finite.
std::optional<StepVector> least_squares_step(const PoseErrorJacobian& jacobian, const ErrorVector& error);

}  // namespace talvane
