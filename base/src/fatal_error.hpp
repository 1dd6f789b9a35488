// The one way the libraries end the process: for internal invariants that no input can reach, which
// are therefore never reported to a caller as values. Header-only, so that the codec and the core
// can both use it without either depending on the other.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace talvane {

// Writes "talvane: fatal internal error: <message>" to stderr and aborts.
[[noreturn]] inline void fatal_internal_error(std::string_view message) {
  std::fprintf(stderr, "talvane: fatal internal error: %.*s\n", static_cast<int>(message.size()),
               message.data());
  std::fflush(stderr);
  std::abort();
}

}  // namespace talvane
