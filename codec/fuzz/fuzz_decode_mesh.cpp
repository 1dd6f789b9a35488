// libFuzzer entry: decode arbitrary bytes as a mesh stream. Any result is
// fine; crashes, sanitizer reports, hangs and runaway allocations are not.
// A successful decode must also be self-consistent.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "decode_mesh.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto result = talvane::codec::decode_mesh(std::span<const std::uint8_t>(data, size));
  if (!result) {
    if (result.error().display().empty()) std::abort();
    return 0;
  }
  const auto& mesh = result.value();
  for (const auto& face : mesh.faces) {
    for (auto index : face) {
      if (index >= mesh.vertices.size()) std::abort();
    }
  }
  return 0;
}
