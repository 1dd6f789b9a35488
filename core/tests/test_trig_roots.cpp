#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "ik/ik_context.hpp"
#include "ik/roots/trig_roots.hpp"

namespace talvane {
namespace {

constexpr double PI = std::numbers::pi;

TrigPolynomial poly(std::array<double, 5> a, std::array<double, 5> b = {}) { return TrigPolynomial{a, b}; }

std::vector<double> sorted(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(TanHalfPolynomial, CosMinusHalf) {
  // Already shifted by φ0 = 0: the largest sample is at θ = π.
  const AlgebraicPolynomial p = tan_half_polynomial(poly({-0.5, 1, 0, 0, 0}));
  const AlgebraicPolynomial expected{0.5, 0, 0, 0, -3, 0, -4, 0, -1.5};
  for (std::size_t i = 0; i < 9; ++i) EXPECT_NEAR(p[i], expected[i], 1e-15) << i;
}

TEST(TanHalfPolynomial, LeadingCoefficientIsValueAtPi) {
  const TrigPolynomial f = poly({0.3, -1.2, 0.7, 2.1, -0.4}, {0, 0.9, -1.1, 0.25, 1.7});
  EXPECT_NEAR(tan_half_polynomial(f)[8], evaluate(f, PI), 1e-13);
  // And matches (1 + t²)^4·f(2·atan t) at a few t.
  for (const double t : {-2.0, -0.3, 0.0, 0.8, 3.5}) {
    const AlgebraicPolynomial p = tan_half_polynomial(f);
    double value = 0.0;
    for (int i = 8; i >= 0; --i) value = value * t + p[i];
    EXPECT_NEAR(value, std::pow(1 + t * t, 4) * evaluate(f, 2 * std::atan(t)), 1e-10) << t;
  }
}

TEST(AberthRoots, WorkedExampleRadiusAndRoots) {
  const AlgebraicPolynomial c{-1.0 / 3.0, 0, 0, 0, 2, 0, 8.0 / 3.0, 0, 1};
  const double r0 = std::max({std::pow(1.0 / 3.0, 1.0 / 8.0), std::pow(2.0, 0.25), std::sqrt(8.0 / 3.0)});
  EXPECT_NEAR(r0, 1.632993161855452, 1e-15);
  const auto roots = aberth_roots(c, 8, r0);
  ASSERT_TRUE(roots.has_value());
  ASSERT_EQ(roots->count, 8);
  int real = 0;
  int imaginary_unit = 0;
  for (int k = 0; k < 8; ++k) {
    const auto z = roots->z[k];
    if (std::abs(z.imag()) < 1e-6) {
      EXPECT_NEAR(std::abs(z.real()), 0.5773502691896258, 1e-12);
      ++real;
    } else {
      // The triple pair ±i converges only to about the cube root of the rounding error.
      EXPECT_NEAR(std::abs(z - std::complex<double>(0, z.imag() > 0 ? 1 : -1)), 0.0, 1e-4);
      ++imaginary_unit;
    }
  }
  EXPECT_EQ(real, 2);
  EXPECT_EQ(imaginary_unit, 6);
}

TEST(AberthRoots, GivesUpOnDoubleRootAtZero) {
  // 1 − cos θ shifted so that its maximum sits at π: p(t) = 2·t²·(1 + t²)³, monic c0 = c1 = 0.
  const AlgebraicPolynomial p = tan_half_polynomial(poly({1, -1, 0, 0, 0}));
  AlgebraicPolynomial c{};
  for (int i = 0; i <= 8; ++i) c[i] = p[i] / p[8];
  EXPECT_EQ(c[0], 0.0);
  EXPECT_EQ(c[1], 0.0);
  EXPECT_FALSE(aberth_roots(c, 8, std::sqrt(3.0)).has_value());
}

TEST(CompanionRoots, QuadraticAndComplexPair) {
  // (t − 2)(t + 3) and t² + 1.
  auto a = companion_roots({-6, 1, 1, 0, 0, 0, 0, 0, 0}, 2);
  ASSERT_EQ(a.count, 2);
  std::vector<double> re{a.z[0].real(), a.z[1].real()};
  EXPECT_NEAR(sorted(re)[0], -3.0, 1e-13);
  EXPECT_NEAR(sorted(re)[1], 2.0, 1e-13);
  auto b = companion_roots({2, 0, 2, 0, 0, 0, 0, 0, 0}, 2);
  EXPECT_NEAR(std::abs(b.z[0].imag()), 1.0, 1e-13);
  EXPECT_NEAR(b.z[0].real(), 0.0, 1e-13);
}

TEST(CompanionRoots, UnresolvedEigenvaluesGiveNoRoots) {
  // The quotients overflow, so the eigenvalue iteration cannot settle; whatever it leaves behind
  // must not come back as roots.
  const auto r = companion_roots({1e300, 0, 0, 0, 0, 0, 0, 0, 1e-300}, 8);
  for (int k = 0; k < r.count; ++k) {
    EXPECT_TRUE(std::isnan(r.z[k].real()) || std::isnan(r.z[k].imag())) << k << ": " << r.z[k];
  }
}

struct RootsCase {
  const char* name;
  TrigPolynomial f;
  std::vector<double> expected;  // sorted
  double tolerance;
};

class TrigRootsTest : public testing::TestWithParam<RootsCase> {};

TEST_P(TrigRootsTest, FindsExactlyTheZeros) {
  const RootsCase& c = GetParam();
  const std::vector<double> found = trig_roots(c.f);
  ASSERT_EQ(found.size(), c.expected.size());
  const std::vector<double> s = sorted(found);
  for (std::size_t i = 0; i < s.size(); ++i) {
    EXPECT_NEAR(s[i], c.expected[i], c.tolerance) << i;
    EXPECT_GE(s[i], -PI);
    EXPECT_LT(s[i], PI);
  }
}

std::vector<double> odd_eighths() {
  std::vector<double> v;
  for (int m = -7; m <= 7; m += 2) v.push_back(m * PI / 8);
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, TrigRootsTest,
    testing::Values(  // Polishing may move the angles in their last bits only.
        RootsCase{"cos_minus_half", poly({-0.5, 1, 0, 0, 0}), {-PI / 3, PI / 3}, 1e-15},
        RootsCase{"cos4", poly({0, 0, 0, 0, 1}), odd_eighths(), 1e-14},
        RootsCase{"sin", poly({0, 0, 0, 0, 0}, {0, 1, 0, 0, 0}), {-PI, 0.0}, 1e-15},
        // The double zero at 0 defeats Aberth's stopping test; the companion matrix finds it.
        RootsCase{"one_minus_cos", poly({1, -1, 0, 0, 0}), {0.0}, 1e-7},
        RootsCase{"zero", poly({0, 0, 0, 0, 0}), {}, 0},
        RootsCase{"constant", poly({2.5, 0, 0, 0, 0}), {}, 0},
        // Positive everywhere, but with complex roots close to the real axis in t.
        RootsCase{"no_real_zero", poly({1.2, 0, 0, 0, 1}), {}, 0},
        RootsCase{"non_finite", poly({std::numeric_limits<double>::quiet_NaN(), 1, 0, 0, 0}), {}, 0}),
    [](const testing::TestParamInfo<RootsCase>& info) { return std::string(info.param.name); });

TEST(TrigRoots, RandomProductsOfKnownZeros) {
  // f = Π (cos θ − cos r_i)·... built as a product of two degree-2 factors with known zeros:
  // (cos(θ − u) − cos d)·(cos(θ − v) − cos e) has zeros u ± d and v ± e.
  std::uint64_t state = 12345;
  auto next = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0;
  };
  for (int trial = 0; trial < 200; ++trial) {
    const double u = (2 * next() - 1) * PI, v = (2 * next() - 1) * PI;
    const double d = 0.05 + next() * 1.4, e = 0.05 + next() * 1.4;
    // cos(θ − u) − cos d = cos u·cos θ + sin u·sin θ − cos d; the product expands to degree 2.
    const double a1 = std::cos(u), b1 = std::sin(u), c1 = -std::cos(d);
    const double a2 = std::cos(v), b2 = std::sin(v), c2 = -std::cos(e);
    TrigPolynomial f{};
    f.a[0] = c1 * c2 + 0.5 * (a1 * a2 + b1 * b2);
    f.a[1] = c1 * a2 + c2 * a1;
    f.b[1] = c1 * b2 + c2 * b1;
    f.a[2] = 0.5 * (a1 * a2 - b1 * b2);
    f.b[2] = 0.5 * (a1 * b2 + b1 * a2);
    std::vector<double> expected{wrap_angle(u + d), wrap_angle(u - d), wrap_angle(v + e), wrap_angle(v - e)};
    const std::vector<double> found = trig_roots(f);
    for (const double x : expected) {
      double best = 10;
      for (const double y : found) best = std::min(best, std::abs(wrap_angle(x - y)));
      // Nearly coincident zeros from the two factors merge or split within the rounding of a double root.
      EXPECT_LT(best, 1e-6) << trial << " " << x;
    }
    for (const double y : found) EXPECT_LT(std::abs(evaluate(f, y)), 1e-12) << trial;
  }
}

TEST(PolishAngle, NeverWorsensNorJumps) {
  const TrigPolynomial f = poly({-0.5, 1, 0, 0, 0});
  // Far from a root the Newton step is too long and the angle stays.
  EXPECT_EQ(polish_angle(f, 0.2), 0.2);
  const double near = PI / 3 + 1e-4;
  const double polished = polish_angle(f, near);
  EXPECT_LE(std::abs(evaluate(f, polished)), std::abs(evaluate(f, near)));
  EXPECT_NEAR(polished, PI / 3, 1e-15);
  // At an extremum the slope is exactly zero: nothing moves.
  EXPECT_EQ(polish_angle(f, 0.0), 0.0);
}

TEST(ScanRoots, FindsSignChangesAndExactZeros) {
  // cos θ changes sign cleanly at ±π/2; a NaN polynomial has no sign change at all.
  const std::vector<double> c = scan_roots(poly({0, 1, 0, 0, 0}));
  ASSERT_EQ(c.size(), 2u);
  EXPECT_NEAR(c[0], -PI / 2, 1e-15);
  EXPECT_NEAR(c[1], PI / 2, 1e-15);
  EXPECT_TRUE(scan_roots(poly({std::numeric_limits<double>::quiet_NaN(), 0, 0, 0, 0})).empty());
}

}  // namespace
}  // namespace talvane
