#include "codec_error.hpp"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace talvane::codec {

CodecError CodecError::io(IoError error) {
  CodecError e;
  e.kind_ = ErrorKind::Io;
  e.io_ = error;
  return e;
}

CodecError CodecError::bad_magic() {
  CodecError e;
  e.kind_ = ErrorKind::BadMagic;
  return e;
}

CodecError CodecError::unsupported_version(std::uint8_t version) {
  CodecError e;
  e.kind_ = ErrorKind::UnsupportedVersion;
  e.byte_ = version;
  return e;
}

CodecError CodecError::unsupported_compression(std::uint8_t method) {
  CodecError e;
  e.kind_ = ErrorKind::UnsupportedCompression;
  e.byte_ = method;
  return e;
}

CodecError CodecError::unsupported_attributes(std::uint8_t count) {
  CodecError e;
  e.kind_ = ErrorKind::UnsupportedAttributes;
  e.byte_ = count;
  return e;
}

CodecError CodecError::not_a_single_item(std::uint32_t found) {
  CodecError e;
  e.kind_ = ErrorKind::NotASingleItem;
  e.found_ = found;
  return e;
}

CodecError CodecError::malformed(std::string_view message) {
  CodecError e;
  e.kind_ = ErrorKind::Malformed;
  e.message_ = message;
  return e;
}

CodecError CodecError::tolerance_not_representable(double range, double tol) {
  CodecError e;
  e.kind_ = ErrorKind::ToleranceNotRepresentable;
  e.range_ = range;
  e.tol_ = tol;
  return e;
}

std::string shortest_decimal(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  // Fixed notation of the largest double has 309 digits before the point;
  // the smallest subnormal needs 1074 after it.
  char buffer[1100];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (ec != std::errc{}) return "NaN";  // cannot happen with this buffer size
  return std::string(buffer, end);
}

std::string CodecError::display() const {
  switch (kind_) {
    case ErrorKind::Io:
      return "io error: " + std::string(io_.text);
    case ErrorKind::BadMagic:
      return "not a quorvet stream: invalid magic bytes";
    case ErrorKind::UnsupportedVersion:
      return "unsupported quorvet format version " + std::to_string(byte_);
    case ErrorKind::UnsupportedCompression:
      return "stream declares compression method " + std::to_string(byte_) +
             ", which this build does not support";
    case ErrorKind::UnsupportedAttributes:
      return "item declares " + std::to_string(byte_) +
             " attribute blocks, which this format version cannot decode";
    case ErrorKind::NotASingleItem:
      return "expected a container holding exactly one item, found " + std::to_string(found_);
    case ErrorKind::Malformed:
      return "malformed quorvet stream: " + std::string(message_);
    case ErrorKind::ToleranceNotRepresentable:
      return "cannot guarantee a tolerance of " + shortest_decimal(tol_) + " over a range of " +
             shortest_decimal(range_) + ": the ratio exceeds what an f64 can represent exactly";
  }
  return {};
}

std::string CodecError::debug() const {
  switch (kind_) {
    case ErrorKind::Io:
      return std::string("Io(Error { kind: ") +
             (io_.kind == IoErrorKind::OutOfMemory ? "OutOfMemory" : "UnexpectedEof") + ", message: \"" +
             std::string(io_.text) + "\" })";
    case ErrorKind::BadMagic:
      return "BadMagic";
    case ErrorKind::UnsupportedVersion:
      return "UnsupportedVersion(" + std::to_string(byte_) + ")";
    case ErrorKind::UnsupportedCompression:
      return "UnsupportedCompression(" + std::to_string(byte_) + ")";
    case ErrorKind::UnsupportedAttributes:
      return "UnsupportedAttributes(" + std::to_string(byte_) + ")";
    case ErrorKind::NotASingleItem:
      return "NotASingleItem { found: " + std::to_string(found_) + " }";
    case ErrorKind::Malformed:
      return "Malformed(\"" + std::string(message_) + "\")";
    case ErrorKind::ToleranceNotRepresentable:
      return "ToleranceNotRepresentable { range: " + shortest_decimal(range_) +
             ", tol: " + shortest_decimal(tol_) + " }";
  }
  return {};
}

bool operator==(const CodecError& a, const CodecError& b) {
  if (a.kind_ != b.kind_) return false;
  switch (a.kind_) {
    case ErrorKind::Io:
      return a.io_.kind == b.io_.kind && a.io_.text == b.io_.text;
    case ErrorKind::BadMagic:
      return true;
    case ErrorKind::UnsupportedVersion:
    case ErrorKind::UnsupportedCompression:
    case ErrorKind::UnsupportedAttributes:
      return a.byte_ == b.byte_;
    case ErrorKind::NotASingleItem:
      return a.found_ == b.found_;
    case ErrorKind::Malformed:
      return a.message_ == b.message_;
    case ErrorKind::ToleranceNotRepresentable:
      return a.range_ == b.range_ && a.tol_ == b.tol_;
  }
  return false;
}

}  // namespace talvane::codec
