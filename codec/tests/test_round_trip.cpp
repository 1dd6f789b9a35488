// Streams written by the encoder in tools/quorvet, each with the decoding the
// encoder predicts bit for bit and the source mesh it started from.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decode_mesh.hpp"

using namespace talvane::codec;

namespace {

std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Expectation {
  double tolerance = 0;
  std::vector<Point3> decoded;
  std::vector<Point3> source;
  std::vector<Triangle> faces;
  std::optional<std::string> name;
  std::uint32_t metadata_entries = 0;
};

class Cursor {
 public:
  explicit Cursor(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  template <class T>
  T take() {
    std::array<std::uint8_t, sizeof(T)> raw{};
    for (auto& b : raw) b = bytes_.at(at_++);
    return std::bit_cast<T>(raw);
  }
  std::string text(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(bytes_.at(at_++)));
    return s;
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_ = 0;
};

Expectation read_expectation(const std::filesystem::path& path) {
  const auto bytes = read_file(path);
  Cursor in(bytes);
  Expectation e;
  EXPECT_EQ(in.text(4), "QEXP");
  const auto vertex_count = in.take<std::uint32_t>();
  const auto face_count = in.take<std::uint32_t>();
  e.tolerance = in.take<double>();
  for (auto* points : {&e.decoded, &e.source}) {
    for (std::uint32_t i = 0; i < vertex_count; ++i) {
      points->push_back({in.take<double>(), in.take<double>(), in.take<double>()});
    }
  }
  for (std::uint32_t i = 0; i < face_count; ++i) {
    e.faces.push_back({in.take<std::uint32_t>(), in.take<std::uint32_t>(), in.take<std::uint32_t>()});
  }
  const bool has_name = in.take<std::uint8_t>() != 0;
  const auto name = in.text(in.take<std::uint32_t>());
  if (has_name) e.name = name;
  e.metadata_entries = in.take<std::uint32_t>();
  return e;
}

std::vector<std::filesystem::path> stream_files() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(CODEC_TEST_DATA_DIR)) {
    if (entry.path().extension() == ".qrvt") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(RoundTrip, EncoderMadeStreams) {
  const auto files = stream_files();
  ASSERT_GE(files.size(), 10u);
  for (const auto& file : files) {
    SCOPED_TRACE(file.filename().string());
    const auto stream = read_file(file);
    auto expectation_path = file;
    const Expectation expected = read_expectation(expectation_path.replace_extension(".expect"));
    auto mesh = decode_mesh(stream);
    ASSERT_TRUE(mesh) << mesh.error().display();
    const MeshItem& item = mesh.value();
    EXPECT_EQ(item.faces, expected.faces);
    EXPECT_EQ(item.name, expected.name);
    EXPECT_EQ(item.metadata.size(), expected.metadata_entries);
    ASSERT_EQ(item.vertices.size(), expected.decoded.size());
    for (std::size_t i = 0; i < item.vertices.size(); ++i) {
      ASSERT_EQ(item.vertices[i], expected.decoded[i]) << "vertex " << i;
      for (int a = 0; a < 3; ++a) {
        ASSERT_LE(std::fabs(item.vertices[i][a] - expected.source[i][a]), expected.tolerance)
            << "vertex " << i;
      }
    }

    // Every proper prefix fails, and fails with a value, not a crash.
    // (Prefixes that end after the index block would succeed: the
    // encoder writes nothing after it.)
    for (std::size_t cut = 0; cut < stream.size(); cut += 1 + stream.size() / 64) {
      auto partial = decode_mesh(std::span(stream).first(cut));
      EXPECT_FALSE(partial) << "prefix of " << cut << " bytes";
    }
  }
}

}  // namespace
