#include "stream_reader.hpp"

#include <bit>

namespace talvane::codec {

static std::uint64_t load_le(const std::uint8_t* bytes, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = size; i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

Result<std::span<const std::uint8_t>> StreamReader::read_bytes(std::uint64_t n) {
  if (n > rest_.size()) {
    skip_to_end();
    return CodecError::io(FAILED_TO_FILL_BUFFER);
  }
  const auto taken = rest_.first(static_cast<std::size_t>(n));
  rest_ = rest_.subspan(static_cast<std::size_t>(n));
  return taken;
}

Result<std::uint8_t> StreamReader::read_u8() {
  auto bytes = read_bytes(1);
  if (!bytes) return bytes.error();
  return bytes.value()[0];
}

Result<std::uint16_t> StreamReader::read_u16() {
  auto bytes = read_bytes(2);
  if (!bytes) return bytes.error();
  return static_cast<std::uint16_t>(load_le(bytes.value().data(), 2));
}

Result<std::uint32_t> StreamReader::read_u32() {
  auto bytes = read_bytes(4);
  if (!bytes) return bytes.error();
  return static_cast<std::uint32_t>(load_le(bytes.value().data(), 4));
}

Result<double> StreamReader::read_f64() {
  auto bytes = read_bytes(8);
  if (!bytes) return bytes.error();
  return std::bit_cast<double>(load_le(bytes.value().data(), 8));
}

}  // namespace talvane::codec
