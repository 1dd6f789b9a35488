// The pivoted-QR least-squares step against the SVD one it stands in for: on Jacobians with a clear
// gap in their singular values it must give the same minimum-norm step (a wrong permutation, a
// solution that is not the minimum-norm one or a wrongly dropped direction shows as a difference of
// the order of the step), and where a singular value lies near the cutoff it must defer to the SVD.
#include <gtest/gtest.h>

#include <Eigen/QR>
#include <array>
#include <cstdint>
#include <limits>

#include "ik/least_squares_step.hpp"
#include "robot.hpp"
#include "support/random_joints.hpp"

namespace talvane {
namespace {

using Spectrum = std::array<double, 6>;

constexpr int DRAWS = 50;
// Of the step's length: the two factorizations round differently, and a kept singular value of
// 1e-7 amplifies that rounding by up to 1e7.
constexpr double AGREEMENT = 1e-7;

Eigen::MatrixXd random_orthonormal(testing_support::Random& random, int rows, int cols) {
  Eigen::MatrixXd m(rows, cols);
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) m(i, j) = random.unit() * 2.0 - 1.0;
  return Eigen::HouseholderQR<Eigen::MatrixXd>(m).householderQ() * Eigen::MatrixXd::Identity(rows, cols);
}

// U·diag(σ)·Vᵀ with random orthonormal U (12x6) and V, scaled like a Jacobian in mm per degree.
PoseErrorJacobian with_spectrum(testing_support::Random& random, const Spectrum& sigma) {
  Eigen::VectorXd s(6);
  for (int i = 0; i < 6; ++i) s(i) = 20.0 * sigma[i];
  return random_orthonormal(random, 12, 6) * s.asDiagonal() * random_orthonormal(random, 6, 6).transpose();
}

ErrorVector random_error(testing_support::Random& random) {
  ErrorVector e;
  for (int i = 0; i < 12; ++i) e(i) = (random.unit() * 2.0 - 1.0) * 1e-3;
  return e;
}

// Both steps on DRAWS Jacobians of the given spectrum, each with its own random error, handed to
// check(fast, reference, draw).
template <typename Check>
void for_each_draw(const Spectrum& sigma, std::uint64_t seed, Check check) {
  testing_support::Random random{seed};
  for (int n = 0; n < DRAWS; ++n) {
    const PoseErrorJacobian j = with_spectrum(random, sigma);
    const ErrorVector e = random_error(random);
    const auto fast = least_squares_step(j, e);
    const auto reference = svd_least_squares_step(j, e);
    ASSERT_TRUE(fast && reference) << "draw " << n;
    check(*fast, *reference, n);
  }
}

class ClearGap : public ::testing::TestWithParam<Spectrum> {};

TEST_P(ClearGap, GivesTheSvdStep) {
  for_each_draw(GetParam(), 2026, [](const StepVector& fast, const StepVector& reference, int n) {
    EXPECT_LE((fast - reference).norm(), AGREEMENT * reference.norm()) << "draw " << n;
  });
}

// Full rank but too ill-conditioned for Cholesky; one, two and three exactly flat directions (a
// family, the wrist straight and a family together) beside small kept ones.
INSTANTIATE_TEST_SUITE_P(Spectra, ClearGap,
                         ::testing::Values(Spectrum{1, 0.5, 0.2, 0.1, 1e-3, 1e-7},
                                           Spectrum{1, 0.3, 0.1, 1e-2, 1e-4, 0},
                                           Spectrum{1, 1, 1e-3, 1e-5, 0, 0},
                                           Spectrum{1, 0.5, 1e-6, 0, 0, 0}));

class NearCutoff : public ::testing::TestWithParam<Spectrum> {};

TEST_P(NearCutoff, DefersToTheSvd) {
  for_each_draw(GetParam(), 7, [](const StepVector& fast, const StepVector& reference, int n) {
    EXPECT_EQ(fast, reference) << "draw " << n;
  });
}

// A singular value at the cutoff, a hair above it, and one between the kept and dropped bounds.
INSTANTIATE_TEST_SUITE_P(Spectra, NearCutoff,
                         ::testing::Values(Spectrum{1, 0.5, 0.1, 1e-2, 1e-3, 1e-12},
                                           Spectrum{1, 0.5, 0.1, 1e-2, 1e-3, 3e-12},
                                           Spectrum{1, 0.5, 0.1, 1e-2, 1e-11, 0}));

TEST(LeastSquaresStep, RefusesANonFiniteJacobian) {
  PoseErrorJacobian j = PoseErrorJacobian::Identity();
  j(3, 2) = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(least_squares_step(j, ErrorVector::Ones()));
  j(3, 2) = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(least_squares_step(j, ErrorVector::Ones()));
  EXPECT_FALSE(least_squares_step(PoseErrorJacobian::Identity(), ErrorVector::Constant(std::nan(""))));
}

}  // namespace
}  // namespace talvane
