#include "ik/roots/trig_polynomial.hpp"

#include <cmath>

namespace talvane {

Harmonics harmonics(double x) {
  const double c = std::cos(x);
  const double s = std::sin(x);
  Harmonics h{};
  h.cos[0] = 1.0;
  h.sin[0] = 0.0;
  h.cos[1] = c;
  h.sin[1] = s;
  h.cos[2] = c * c - s * s;
  h.sin[2] = 2.0 * c * s;
  h.cos[3] = c * h.cos[2] - s * h.sin[2];
  h.sin[3] = s * h.cos[2] + c * h.sin[2];
  h.cos[4] = c * h.cos[3] - s * h.sin[3];
  h.sin[4] = c * h.sin[3] + s * h.cos[3];
  return h;
}

double evaluate(const TrigPolynomial& f, double theta) {
  const Harmonics h = harmonics(theta);
  double v = f.a[0];
  for (std::size_t k = 1; k <= 4; ++k) {
    v = v + f.a[k] * h.cos[k];
    v = v + f.b[k] * h.sin[k];
  }
  return v;
}

double evaluate_derivative(const TrigPolynomial& f, double theta) {
  const Harmonics h = harmonics(theta);
  double v = 0.0;
  for (std::size_t k = 1; k <= 4; ++k) {
    v = v + static_cast<double>(k) * (f.b[k] * h.cos[k] - f.a[k] * h.sin[k]);
  }
  return v;
}

}  // namespace talvane
