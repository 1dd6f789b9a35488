#pragma once
// Byte and bit writers for crafting streams in tests.

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace talvane::codec::testing {

class ByteWriter {
 public:
  ByteWriter& u8(std::uint8_t v) {
    data.push_back(v);
    return *this;
  }
  ByteWriter& u16(std::uint16_t v) { return le(v, 2); }
  ByteWriter& u32(std::uint32_t v) { return le(v, 4); }
  ByteWriter& f64(double v) { return le(std::bit_cast<std::uint64_t>(v), 8); }
  ByteWriter& raw(std::initializer_list<std::uint8_t> bytes) {
    data.insert(data.end(), bytes.begin(), bytes.end());
    return *this;
  }
  ByteWriter& raw(const std::vector<std::uint8_t>& bytes) {
    data.insert(data.end(), bytes.begin(), bytes.end());
    return *this;
  }
  ByteWriter& text(std::string_view s) {
    data.insert(data.end(), s.begin(), s.end());
    return *this;
  }
  ByteWriter& string(std::string_view s) { return u32(static_cast<std::uint32_t>(s.size())).text(s); }
  ByteWriter& zeros(std::size_t n) {
    data.insert(data.end(), n, 0);
    return *this;
  }

  std::vector<std::uint8_t> data;

 private:
  ByteWriter& le(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return *this;
  }
};

// Packs fields least significant bit first, as the bit reader reads them.
class BitWriter {
 public:
  BitWriter& put(std::uint64_t value, unsigned width) {
    for (unsigned i = 0; i < width; ++i) {
      if (bit_count_ % 8 == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= static_cast<std::uint8_t>(1u << (bit_count_ % 8));
      ++bit_count_;
    }
    return *this;
  }
  std::uint64_t bit_count() const { return bit_count_; }

  std::vector<std::uint8_t> bytes;

 private:
  std::uint64_t bit_count_ = 0;
};

// "QRVT", version 2, kind Mesh, no compression, no file metadata, one item.
inline ByteWriter mesh_header() {
  ByteWriter b;
  b.text("QRVT").u8(2).u8(1).u8(0).u8(0).u32(1);
  return b;
}

// A plain item header: no flags, no attribute blocks.
inline ByteWriter& plain_item(ByteWriter& b) { return b.u8(0).u8(0); }

// Point block of one partition without transform, unit anchor box, anchor
// widths 0, point widths (8, 8, 8) and the given x codes (y and z 0).
inline ByteWriter& simple_points(ByteWriter& b, std::initializer_list<std::uint8_t> x_codes) {
  b.u8(3).u32(1);
  b.f64(0).f64(0).f64(0).f64(1).f64(1).f64(1);
  b.u8(0).u8(0).u8(0);
  b.u32(static_cast<std::uint32_t>(x_codes.size())).u8(0).u8(8).u8(8).u8(8);
  for (auto x : x_codes) b.u8(x).u8(0).u8(0);
  return b;
}

}  // namespace talvane::codec::testing
