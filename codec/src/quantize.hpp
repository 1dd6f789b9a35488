#pragma once
// Turns an unsigned code of a declared width back into a coordinate inside a
// closed interval.

#include <cstdint>

namespace talvane::codec {

// Keeps every code and `max` exactly representable as a double.
inline constexpr unsigned MAX_QUANTIZER_BITS = 53;

class Quantizer {
 public:
  // `range` is the interval's upper bound minus `lo`, as the caller formed
  // it. A width above 53 is a caller bug and aborts.
  Quantizer(double lo, double range, unsigned bits);

  // Point rule: range * (code / max) + lo, rounded in that order. Code max
  // may land one ulp off the upper bound.
  double value(std::uint64_t code) const {
    if (bits_ == 0 || range_ == 0.0) return lo_;
    const double t = static_cast<double>(code) / static_cast<double>(max_);
    const double u = range_ * t;
    return u + lo_;
  }

  // Corner rule: like the point rule, but codes 0 and max give the bounds
  // exactly; `hi` is the bound the caller used to form `range`.
  double corner(std::uint64_t code, double hi) const;

  double lo() const { return lo_; }
  double range() const { return range_; }
  std::uint64_t max() const { return max_; }
  unsigned bits() const { return bits_; }

 private:
  double lo_;
  double range_;
  std::uint64_t max_;
  std::uint8_t bits_;
};

}  // namespace talvane::codec
