// Damaged copies of encoder-made streams: every byte of the small test
// streams set to a few values. Each decode must end in an error value or a
// self-consistent mesh; under the sanitizer build this also checks that no
// damage leads to an out-of-bounds read or undefined behaviour.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "decode_mesh.hpp"

using namespace talvane::codec;

namespace {

std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void expect_consistent(const std::vector<std::uint8_t>& stream, std::size_t at, std::uint8_t value) {
  auto mesh = decode_mesh(stream);
  if (!mesh) {
    ASSERT_FALSE(mesh.error().display().empty());
    return;
  }
  for (const auto& face : mesh.value().faces) {
    for (auto index : face)
      ASSERT_LT(index, mesh.value().vertices.size()) << "byte " << at << " = " << int(value);
  }
}

TEST(Mutation, EveryByteOfSmallStreams) {
  std::size_t decodes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CODEC_TEST_DATA_DIR)) {
    if (entry.path().extension() != ".qrvt") continue;
    const auto original = read_file(entry.path());
    if (original.size() > 2048) continue;
    SCOPED_TRACE(entry.path().filename().string());
    for (std::size_t at = 0; at < original.size(); ++at) {
      for (std::uint8_t value : {std::uint8_t{0}, std::uint8_t{0xFF}, std::uint8_t(original[at] ^ 0x01),
                                 std::uint8_t(original[at] ^ 0x80), std::uint8_t(original[at] + 1)}) {
        auto damaged = original;
        damaged[at] = value;
        expect_consistent(damaged, at, value);
        ++decodes;
      }
    }
  }
  EXPECT_GT(decodes, 5000u);
}

}  // namespace
