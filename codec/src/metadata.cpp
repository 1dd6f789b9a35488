#include "metadata.hpp"

#include <bit>

#include "utf8.hpp"

namespace talvane::codec {

namespace {
enum class ValueType : std::uint8_t { Bool = 1, Number64A = 2, Number64B = 3, Text = 4, Bytes = 5 };
}

// The length is checked before the bytes are read, and the bytes must be in
// the stream before a string is made of them.
static Result<std::span<const std::uint8_t>> read_sized_bytes(StreamReader& reader, std::uint32_t max_length,
                                                              std::string_view too_long) {
  auto length = reader.read_u32();
  if (!length) return length.error();
  if (length.value() > max_length) return CodecError::malformed(too_long);
  return reader.read_bytes(length.value());
}

Result<std::string> read_utf8_string(StreamReader& reader, std::uint32_t max_length,
                                     std::string_view too_long, std::string_view not_utf8) {
  auto bytes = read_sized_bytes(reader, max_length, too_long);
  if (!bytes) return bytes.error();
  if (!is_valid_utf8(bytes.value())) return CodecError::malformed(not_utf8);
  return std::string(bytes.value().begin(), bytes.value().end());
}

static Result<std::uint64_t> read_raw_u64(StreamReader& reader) {
  auto value = reader.read_f64();
  if (!value) return value.error();
  return std::bit_cast<std::uint64_t>(value.value());
}

static Result<MetadataValue> read_value(StreamReader& reader) {
  auto type = reader.read_u8();
  if (!type) return type.error();
  switch (static_cast<ValueType>(type.value())) {
    case ValueType::Bool: {
      auto byte = reader.read_u8();
      if (!byte) return byte.error();
      return MetadataValue(byte.value() != 0);
    }
    case ValueType::Number64A: {
      auto bits = read_raw_u64(reader);
      if (!bits) return bits.error();
      return MetadataValue(Number64A{bits.value()});
    }
    case ValueType::Number64B: {
      auto bits = read_raw_u64(reader);
      if (!bits) return bits.error();
      return MetadataValue(Number64B{bits.value()});
    }
    case ValueType::Text: {
      auto text = read_utf8_string(reader, MAX_VALUE_LENGTH, "metadata text length is implausible",
                                   "metadata text is not valid UTF-8");
      if (!text) return text.error();
      return MetadataValue(std::move(text).value());
    }
    case ValueType::Bytes: {
      auto bytes = read_sized_bytes(reader, MAX_VALUE_LENGTH, "metadata byte string length is implausible");
      if (!bytes) return bytes.error();
      return MetadataValue(Bytes(bytes.value().begin(), bytes.value().end()));
    }
  }
  return CodecError::malformed("unknown metadata value type");
}

Result<Metadata> read_metadata(StreamReader& reader) {
  auto count = reader.read_u16();
  if (!count) return count.error();
  Metadata metadata;
  for (std::uint32_t i = 0; i < count.value(); ++i) {
    auto key = read_utf8_string(reader, MAX_KEY_LENGTH, "metadata key length is implausible",
                                "metadata key is not valid UTF-8");
    if (!key) return key.error();
    auto value = read_value(reader);
    if (!value) return value.error();
    if (!metadata.try_emplace(std::move(key).value(), std::move(value).value()).second) {
      return CodecError::malformed("metadata contains a duplicate key");
    }
  }
  return metadata;
}

}  // namespace talvane::codec
