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

namespace {

double value_at(const TrigPolynomial& f, const Harmonics& h) {
  double v = f.a[0];
  for (std::size_t k = 1; k <= 4; ++k) {
    v = v + f.a[k] * h.cos[k];
    v = v + f.b[k] * h.sin[k];
  }
  return v;
}

double slope_at(const TrigPolynomial& f, const Harmonics& h) {
  double v = 0.0;
  for (std::size_t k = 1; k <= 4; ++k) {
    v = v + static_cast<double>(k) * (f.b[k] * h.cos[k] - f.a[k] * h.sin[k]);
  }
  return v;
}

}  // namespace

double evaluate(const TrigPolynomial& f, double theta) { return value_at(f, harmonics(theta)); }

double evaluate_derivative(const TrigPolynomial& f, double theta) { return slope_at(f, harmonics(theta)); }

ValueAndSlope evaluate_with_derivative(const TrigPolynomial& f, double theta) {
  const Harmonics h = harmonics(theta);
  return {value_at(f, h), slope_at(f, h)};
}

}  // namespace talvane
