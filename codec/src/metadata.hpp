#pragma once
// Key/value metadata of files and items.

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "result.hpp"
#include "stream_reader.hpp"

namespace talvane::codec {

// The two 8-byte value types are kept as their raw little-endian bits;
// nothing in the system interprets them.
struct Number64A {
  std::uint64_t bits = 0;
  friend bool operator==(const Number64A&, const Number64A&) = default;
};
struct Number64B {
  std::uint64_t bits = 0;
  friend bool operator==(const Number64B&, const Number64B&) = default;
};
using Bytes = std::vector<std::uint8_t>;

// Bool, Number64A, Number64B, Text (UTF-8) or Bytes, in the order of the
// stream's value type bytes 1 to 5.
using MetadataValue = std::variant<bool, Number64A, Number64B, std::string, Bytes>;

// Ordered by key, not by stream order; keys are unique.
using Metadata = std::map<std::string, MetadataValue, std::less<>>;

inline constexpr std::uint32_t MAX_KEY_LENGTH = 65536;
inline constexpr std::uint32_t MAX_VALUE_LENGTH = 16777216;

// Reads an entry count and the entries.
Result<Metadata> read_metadata(StreamReader& reader);

// Reads a u32 length (at most `max_length`, else Malformed `too_long`) and
// that many bytes of UTF-8 (else Malformed `not_utf8`).
Result<std::string> read_utf8_string(StreamReader& reader, std::uint32_t max_length,
                                     std::string_view too_long, std::string_view not_utf8);

}  // namespace talvane::codec
