// Streams that declare huge counts with only a few bytes behind them must
// fail at once, holding no more memory than the bytes they carry justify.

#include <gtest/gtest.h>

#include "allocation_counter.hpp"
#include "decode_mesh.hpp"
#include "stream_builder.hpp"

using namespace talvane::codec;
using namespace talvane::codec::testing;

namespace {

constexpr std::uint32_t HUGE_COUNT = 0xFFFFFFFFu;
constexpr std::size_t KIB = 1024;
constexpr std::size_t MIB = 1024 * KIB;

ByteWriter item_start() {
  ByteWriter b = mesh_header();
  return plain_item(b), b;
}

ByteWriter& unit_anchor(ByteWriter& b, std::uint32_t partitions, std::array<std::uint8_t, 3> widths) {
  b.u8(3).u32(partitions).f64(0).f64(0).f64(0).f64(1).f64(1).f64(1);
  for (auto w : widths) b.u8(w);
  return b;
}

// A partition of `count` points of widths (0, 0, 0) and anchor widths 0: no payload.
ByteWriter& free_points(ByteWriter& b, std::uint32_t count) { return b.u32(count).u8(0).u8(0).u8(0).u8(0); }

struct Case {
  const char* what;
  ByteWriter stream;
  std::string text;
};

std::vector<Case> huge_declarations() {
  const std::string prefix = "malformed quorvet stream: ";
  std::vector<Case> cases;
  {
    ByteWriter b = item_start();
    unit_anchor(b, HUGE_COUNT, {8, 8, 8});
    cases.push_back({"2^32-1 partitions", b, "io error: failed to fill whole buffer"});
  }
  {
    ByteWriter b = item_start();
    unit_anchor(b, 1, {8, 8, 8}).u32(HUGE_COUNT).u8(0).u8(16).u8(16).u8(16).zeros(64);
    cases.push_back({"2^32-1 points", b, prefix + "block payload is shorter than its header declares"});
  }
  {
    ByteWriter b = item_start();
    free_points(unit_anchor(b, 1, {0, 0, 0}), HUGE_COUNT);
    cases.push_back({"2^32-1 zero-width points, stream ends", b, "io error: failed to fill whole buffer"});
  }
  {
    ByteWriter b = item_start();
    free_points(unit_anchor(b, 1, {0, 0, 0}), HUGE_COUNT);
    b.u8(3).u32(1).u8(1).u32(0);  // an empty delta list
    cases.push_back({"2^32-1 zero-width points, bad index block", b, "io error: unexpected end of file"});
  }
  {
    ByteWriter b = item_start();
    unit_anchor(b, 3, {0, 0, 0});
    free_points(free_points(free_points(b, HUGE_COUNT), HUGE_COUNT), HUGE_COUNT);
    cases.push_back(
        {"3 * (2^32-1) zero-width points", b, prefix + "mesh holds more vertices than a u32 can index"});
  }
  {
    ByteWriter b = item_start();
    simple_points(b, {1, 2, 3}).u8(3).u32(HUGE_COUNT).u8(0).u8(8).zeros(32);
    cases.push_back(
        {"2^32-1 fixed-width simplices", b, prefix + "block payload is shorter than its header declares"});
  }
  {
    ByteWriter b = item_start();
    simple_points(b, {1, 2, 3}).u8(3).u32(HUGE_COUNT).u8(1).u32(HUGE_COUNT).zeros(32);
    cases.push_back({"4 GiB delta payload", b, prefix + "block payload is shorter than its header declares"});
  }
  {
    // Zero-width groups cost 6 bits per 64 deltas: 4 KiB of them stand for
    // 350,000 deltas, still far short of 3 * (2^32-1).
    ByteWriter b = item_start();
    simple_points(b, {1, 2, 3}).u8(3).u32(HUGE_COUNT).u8(1).u32(4096).zeros(4096);
    cases.push_back({"2^32-1 delta simplices", b, "io error: unexpected end of file"});
  }
  {
    ByteWriter b = mesh_header();
    b.u8(4).u16(0xFFFF).string("k").u8(4).u32(16777216).text("abc");
    cases.push_back({"16 MiB metadata text", b, "io error: failed to fill whole buffer"});
  }
  {
    ByteWriter b = mesh_header();
    b.u8(2).u32(65536).text("x");
    cases.push_back({"64 KiB name", b, "io error: failed to fill whole buffer"});
  }
  return cases;
}

TEST(BoundedMemory, HugeDeclarationsFailFast) {
  for (const auto& c : huge_declarations()) {
    AllocationScope scope(256 * MIB);
    auto mesh = decode_mesh(c.stream.data);
    const auto stats = scope.stats();
    ASSERT_FALSE(mesh) << c.what;
    EXPECT_EQ(mesh.error().display(), c.text) << c.what;
    EXPECT_LT(stats.peak_bytes, 64 * KIB) << c.what;
  }
}

// Well-formed streams whose points or triangles cost no bits: they may hold
// 8 elements per stream byte plus 65,536, and are refused beyond that before
// anything is reserved for them.
TEST(BoundedMemory, FreeElementsAreBoundedByTheStreamSize) {
  auto free_point_mesh = [](std::uint32_t count) {
    ByteWriter b = item_start();
    free_points(unit_anchor(b, 1, {0, 0, 0}), count);
    return b.u8(3).u32(0), b;
  };
  const std::uint64_t stream_size = free_point_mesh(1).data.size();
  const auto budget = static_cast<std::uint32_t>(8 * stream_size + 65536);
  {
    AllocationScope scope(256 * MIB);
    auto mesh = decode_mesh(free_point_mesh(budget).data);
    ASSERT_TRUE(mesh) << mesh.error().display();
    EXPECT_EQ(mesh.value().vertices, std::vector<Point3>(budget, Point3{0, 0, 0}));
  }
  for (std::uint32_t count : {budget + 1, HUGE_COUNT}) {
    AllocationScope scope(256 * MIB);
    auto mesh = decode_mesh(free_point_mesh(count).data);
    ASSERT_FALSE(mesh);
    EXPECT_EQ(mesh.error().display(), "io error: out of memory");
    EXPECT_LT(scope.stats().peak_bytes, 64 * KIB);
  }

  // Fixed width 0: every triangle is (0, 0, 0) and costs nothing.
  auto free_triangle_mesh = [](std::uint32_t count) {
    ByteWriter b = item_start();
    return simple_points(b, {1}).u8(3).u32(count).u8(0).u8(0), b;
  };
  const std::uint64_t triangle_stream_size = free_triangle_mesh(1).data.size();
  const auto triangle_budget = static_cast<std::uint32_t>(8 * triangle_stream_size + 65536);
  {
    auto mesh = decode_mesh(free_triangle_mesh(triangle_budget).data);
    ASSERT_TRUE(mesh) << mesh.error().display();
    EXPECT_EQ(mesh.value().faces.size(), triangle_budget);
  }
  for (std::uint32_t count : {triangle_budget + 1, HUGE_COUNT}) {
    AllocationScope scope(256 * MIB);
    auto mesh = decode_mesh(free_triangle_mesh(count).data);
    ASSERT_FALSE(mesh);
    EXPECT_EQ(mesh.error().display(), "io error: out of memory");
    EXPECT_LT(scope.stats().peak_bytes, 64 * KIB);
  }
}

// The result itself is reserved once and exactly; when even that cannot be
// had, the failure is a value.
TEST(BoundedMemory, RefusedAllocationIsOutOfMemory) {
  ByteWriter b = item_start();
  const std::uint32_t count = 20000;
  unit_anchor(b, 1, {0, 0, 0}).u32(count).u8(0).u8(8).u8(0).u8(0);
  b.zeros(count);
  b.u8(3).u32(0);
  AllocationScope scope(count * sizeof(Point3) - 1);
  auto mesh = decode_mesh(b.data);
  ASSERT_FALSE(mesh);
  EXPECT_EQ(mesh.error().display(), "io error: out of memory");
  EXPECT_EQ(scope.stats().largest_request, count * sizeof(Point3));
}

// An ordinary mesh needs little beyond its result: payloads are read in
// place, so neither the 15,000 bytes of points nor the 8 KiB of indices is
// copied, in either pass.
TEST(BoundedMemory, PlainDecodeHoldsLittleMoreThanItsResult) {
  ByteWriter b = item_start();
  const std::uint32_t count = 5000;
  unit_anchor(b, 1, {0, 0, 0}).u32(count).u8(0).u8(8).u8(8).u8(8);
  for (std::uint32_t i = 0; i < count; ++i) b.u8(static_cast<std::uint8_t>(i)).u8(0).u8(0);
  const std::uint32_t triangles = 1666;
  BitWriter indices;
  for (std::uint32_t i = 0; i < 3 * triangles; ++i) indices.put(i, 13);
  b.u8(3).u32(triangles).u8(0).u8(13).raw(indices.bytes);
  AllocationScope scope(256 * MIB);
  auto mesh = decode_mesh(b.data);
  ASSERT_TRUE(mesh) << mesh.error().display();
  EXPECT_EQ(mesh.value().faces.back(), (Triangle{4995, 4996, 4997}));
  EXPECT_LT(scope.stats().peak_bytes, count * sizeof(Point3) + triangles * sizeof(Triangle) + 4 * KIB);
}

// Partitions are checked one at a time and not kept: tens of thousands of
// one-point partitions cost their points and nothing per partition.
TEST(BoundedMemory, ManyPartitionsHoldNothingPerPartition) {
  ByteWriter b = item_start();
  const std::uint32_t partitions = 20000;
  unit_anchor(b, partitions, {0, 0, 0});
  for (std::uint32_t i = 0; i < partitions; ++i) free_points(b, 1);
  b.u8(3).u32(0);
  AllocationScope scope(256 * MIB);
  auto mesh = decode_mesh(b.data);
  ASSERT_TRUE(mesh) << mesh.error().display();
  EXPECT_EQ(mesh.value().vertices.size(), partitions);
  EXPECT_LT(scope.stats().peak_bytes, partitions * sizeof(Point3) + 4 * KIB);
}

}  // namespace
