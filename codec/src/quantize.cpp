#include "quantize.hpp"

#include <string>

#include "fatal_error.hpp"

namespace talvane::codec {

Quantizer::Quantizer(double lo, double range, unsigned bits) : lo_(lo), range_(range), max_(0), bits_(0) {
  if (bits > MAX_QUANTIZER_BITS) {
    fatal_internal_error("bit width " + std::to_string(bits) + " exceeds " +
                         std::to_string(MAX_QUANTIZER_BITS));
  }
  bits_ = static_cast<std::uint8_t>(bits);
  max_ = bits == 0 ? 0 : (std::uint64_t{1} << bits) - 1;
}

double Quantizer::corner(std::uint64_t code, double hi) const {
  if (code == 0) return lo_;
  if (code == max_) return hi;
  if (bits_ == 0 || range_ == 0.0) return lo_;
  const double t = static_cast<double>(code) / static_cast<double>(max_);
  const double u = t * range_;
  return u + lo_;
}

}  // namespace talvane::codec
