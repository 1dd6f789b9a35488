#pragma once
// Internal invariants that no input can reach end the process; they are
// never reported to a caller as values.

#include <string_view>

namespace talvane::codec {

// Writes "talvane: fatal internal error: <message>" to stderr and aborts.
[[noreturn]] void fatal_internal_error(std::string_view message);

}  // namespace talvane::codec
