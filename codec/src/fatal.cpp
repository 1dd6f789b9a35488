#include "fatal.hpp"

#include <cstdio>
#include <cstdlib>

namespace talvane::codec {

void fatal_internal_error(std::string_view message) {
  std::fprintf(stderr, "talvane: fatal internal error: %.*s\n", static_cast<int>(message.size()),
               message.data());
  std::fflush(stderr);
  std::abort();
}

}  // namespace talvane::codec
