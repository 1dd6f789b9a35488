#pragma once
// The value-or-error returned by every decoding step.

#include <utility>
#include <variant>

#include "codec_error.hpp"

namespace talvane::codec {

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(CodecError error) : state_(std::in_place_index<1>, error) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // Asking for the side that is not there throws std::bad_variant_access.
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  const CodecError& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, CodecError> state_;
};

// Result of a step that yields nothing but may fail.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(CodecError error) : error_(error), failed_(true) {}

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const CodecError& error() const { return error_; }

 private:
  CodecError error_{};
  bool failed_ = false;
};

}  // namespace talvane::codec
