#include "utf8.hpp"

#include <cstddef>

namespace talvane::codec {

static bool is_continuation(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

bool is_valid_utf8(std::span<const std::uint8_t> bytes) {
  const std::size_t size = bytes.size();
  for (std::size_t i = 0; i < size;) {
    const std::uint8_t lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t length;
    // Bounds of the second byte rule out overlong forms, surrogates and
    // code points above U+10FFFF.
    std::uint8_t second_lo = 0x80, second_hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) second_lo = 0xA0;
      if (lead == 0xED) second_hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) second_lo = 0x90;
      if (lead == 0xF4) second_hi = 0x8F;
    } else {
      return false;
    }
    if (size - i < length) return false;
    if (bytes[i + 1] < second_lo || bytes[i + 1] > second_hi) return false;
    for (std::size_t k = 2; k < length; ++k) {
      if (!is_continuation(bytes[i + k])) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace talvane::codec
