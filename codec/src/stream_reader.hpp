#pragma once
// Byte cursor over a complete stream held in memory. Every multi-byte field
// is little-endian; a read that finds too few bytes moves the cursor to the
// end and fails with Io "failed to fill whole buffer".

#include <cstddef>
#include <cstdint>
#include <span>

#include "result.hpp"

namespace talvane::codec {

class StreamReader {
 public:
  explicit StreamReader(std::span<const std::uint8_t> stream) : rest_(stream) {}

  Result<std::uint8_t> read_u8();
  Result<std::uint16_t> read_u16();
  Result<std::uint32_t> read_u32();
  Result<double> read_f64();
  // The next n bytes, viewed in place (valid while the stream is).
  Result<std::span<const std::uint8_t>> read_bytes(std::uint64_t n);

  std::uint64_t remaining() const { return rest_.size(); }
  // Gives up the rest of the stream, as a failed read does.
  void skip_to_end() { rest_ = rest_.subspan(rest_.size()); }

 private:
  std::span<const std::uint8_t> rest_;
};

}  // namespace talvane::codec
