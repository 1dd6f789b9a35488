#include "ik/roots/trig_roots.hpp"

namespace talvane {

AlgebraicPolynomial tan_half_polynomial(const TrigPolynomial& shifted) {
  // A + i·B holds (1 + i·t)^(2k), ascending in t; each k multiplies it by (1 − t²) + 2i·t.
  AlgebraicPolynomial re{};
  AlgebraicPolynomial im{};
  re[0] = 1.0;
  AlgebraicPolynomial p{};
  for (std::size_t k = 0; k <= 4; ++k) {
    AlgebraicPolynomial q{};
    if (k == 0) {
      q[0] = shifted.a[0];
    } else {
      AlgebraicPolynomial next_re{};
      AlgebraicPolynomial next_im{};
      for (std::size_t j = 0; j < 9; ++j) {
        double r = re[j];
        double i = im[j];
        if (j >= 2) {
          r = r - re[j - 2];
          i = i - im[j - 2];
        }
        if (j >= 1) {
          r = r - 2.0 * im[j - 1];
          i = i + 2.0 * re[j - 1];
        }
        next_re[j] = r;
        next_im[j] = i;
      }
      re = next_re;
      im = next_im;
      for (std::size_t j = 0; j < 9; ++j) q[j] = shifted.a[k] * re[j] + shifted.b[k] * im[j];
    }
    // Times (1 + t²)^(4 − k); descending so that q[j − 2] is still the old value.
    for (std::size_t times = 0; times < 4 - k; ++times) {
      for (std::size_t j = MAX_ROOTS; j >= 2; --j) q[j] = q[j] + q[j - 2];
    }
    for (std::size_t j = 0; j < 9; ++j) p[j] = p[j] + q[j];
  }
  return p;
}

}  // namespace talvane
