#pragma once
// The single error value of the geometry decoder.

#include <cstdint>
#include <string>
#include <string_view>

namespace talvane::codec {

enum class IoErrorKind : std::uint8_t { UnexpectedEof, OutOfMemory };

// An I/O failure with its own text; the texts are fixed strings.
struct IoError {
  IoErrorKind kind = IoErrorKind::UnexpectedEof;
  std::string_view text;
};

inline constexpr IoError FAILED_TO_FILL_BUFFER{IoErrorKind::UnexpectedEof, "failed to fill whole buffer"};
inline constexpr IoError UNEXPECTED_END_OF_FILE{IoErrorKind::UnexpectedEof, "unexpected end of file"};
inline constexpr IoError OUT_OF_MEMORY{IoErrorKind::OutOfMemory, "out of memory"};

enum class ErrorKind : std::uint8_t {
  Io,
  BadMagic,
  UnsupportedVersion,
  UnsupportedCompression,
  UnsupportedAttributes,
  NotASingleItem,
  Malformed,
  ToleranceNotRepresentable,
};

// A plain, trivially copyable value: messages are static strings, so making
// and passing errors never allocates.
class CodecError {
 public:
  CodecError() = default;

  static CodecError io(IoError error);
  static CodecError bad_magic();
  static CodecError unsupported_version(std::uint8_t version);
  static CodecError unsupported_compression(std::uint8_t method);
  static CodecError unsupported_attributes(std::uint8_t count);
  static CodecError not_a_single_item(std::uint32_t found);
  static CodecError malformed(std::string_view message);
  static CodecError tolerance_not_representable(double range, double tol);

  ErrorKind kind() const { return kind_; }
  // The I/O error behind an `Io` error; nullptr for every other kind.
  const IoError* cause() const { return kind_ == ErrorKind::Io ? &io_ : nullptr; }
  std::uint8_t byte_value() const { return byte_; }  // version, method or attribute count
  std::uint32_t found() const { return found_; }
  std::string_view message() const { return message_; }  // the `Malformed` text
  double range() const { return range_; }
  double tol() const { return tol_; }

  // The text shown to users, e.g. "malformed quorvet stream: unknown container kind".
  std::string display() const;
  // The kind and its fields, e.g. "NotASingleItem { found: 2 }".
  std::string debug() const;

  friend bool operator==(const CodecError& a, const CodecError& b);

 private:
  ErrorKind kind_ = ErrorKind::Io;
  IoError io_{};
  std::uint8_t byte_ = 0;
  std::uint32_t found_ = 0;
  std::string_view message_;
  double range_ = 0.0;
  double tol_ = 0.0;
};

// Shortest decimal that reads back to the same double, never with an exponent
// and without a trailing ".0" (1 -> "1", 1e-7 -> "0.0000001").
std::string shortest_decimal(double value);

}  // namespace talvane::codec
