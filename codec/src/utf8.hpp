#pragma once

#include <cstdint>
#include <span>

namespace talvane::codec {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool is_valid_utf8(std::span<const std::uint8_t> bytes);

}  // namespace talvane::codec
