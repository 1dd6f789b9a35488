#include <gtest/gtest.h>

#include <bit>

#include "indices.hpp"
#include "stream_builder.hpp"

using namespace talvane::codec;
using talvane::codec::testing::BitWriter;
using talvane::codec::testing::ByteWriter;

namespace {

const std::string PREFIX = "malformed quorvet stream: ";

// Deltas in groups of 64, each group as narrow as its largest delta.
BitWriter delta_payload(const std::vector<std::uint64_t>& deltas) {
  BitWriter bits;
  for (std::size_t start = 0; start < deltas.size(); start += 64) {
    const std::size_t end = std::min(deltas.size(), start + 64);
    std::uint64_t largest = 0;
    for (std::size_t i = start; i < end; ++i) largest = std::max(largest, deltas[i]);
    const unsigned width = static_cast<unsigned>(std::bit_width(largest));
    bits.put(width, 6);
    for (std::size_t i = start; i < end; ++i) bits.put(deltas[i], width);
  }
  return bits;
}

ByteWriter delta_block(std::uint32_t simplex_count, const BitWriter& payload) {
  ByteWriter b;
  b.u8(3).u32(simplex_count).u8(1).u32(static_cast<std::uint32_t>(payload.bytes.size())).raw(payload.bytes);
  return b;
}

ByteWriter fixed_block(std::uint32_t simplex_count, std::uint8_t width, const BitWriter& payload) {
  ByteWriter b;
  b.u8(3).u32(simplex_count).u8(0).u8(width).raw(payload.bytes);
  return b;
}

Result<std::vector<Triangle>> read(const ByteWriter& b, std::uint32_t item_count) {
  StreamReader reader(b.data);
  return read_index_block(reader, item_count);
}

std::string error_text(const ByteWriter& b, std::uint32_t item_count) {
  auto triangles = read(b, item_count);
  return triangles ? "ok" : triangles.error().display();
}

TEST(DeltaDecoder, WorkedExample) {
  DeltaDecoder decoder(10);
  std::vector<std::uint32_t> indices;
  for (std::uint64_t d : {0, 0, 0, 1, 0, 3}) indices.push_back(decoder.next(d).value());
  EXPECT_EQ(indices, (std::vector<std::uint32_t>{0, 1, 2, 2, 3, 1}));
  EXPECT_EQ(decoder.mark(), 4u);
  EXPECT_EQ(decoder.next(4).value(), 0u);  // a delta equal to the mark names vertex 0
  EXPECT_EQ(decoder.next(5).error().display(), PREFIX + "index delta reaches back past the high water mark");
}

TEST(IndexBlock, DeltaWorkedExampleThroughTheBlock) {
  auto triangles = read(delta_block(2, delta_payload({0, 0, 0, 1, 0, 3})), 4);
  ASSERT_TRUE(triangles) << triangles.error().display();
  EXPECT_EQ(triangles.value(), (std::vector<Triangle>{{0, 1, 2}, {2, 3, 1}}));
}

TEST(IndexBlock, NoSimplicesConsumesFiveBytes) {
  ByteWriter b;
  b.u8(3).u32(0).u8(7);  // not a mode byte
  StreamReader reader(b.data);
  auto triangles = read_index_block(reader, 0);
  ASSERT_TRUE(triangles);
  EXPECT_TRUE(triangles.value().empty());
  EXPECT_EQ(reader.remaining(), 1u);
}

// A strip over n vertices numbered in first-use order, long enough that the
// delta list splits into groups of 64 with a short last one.
TEST(IndexBlock, DeltaGroupsOfSixtyFour) {
  for (std::uint32_t simplex_count : {3u, 21u, 22u, 43u, 44u, 200u}) {
    std::vector<Triangle> expected;
    std::vector<std::uint64_t> deltas;
    std::uint32_t mark = 0;
    for (std::uint32_t s = 0; s < simplex_count; ++s) {
      const Triangle t = s == 0 ? Triangle{0, 1, 2} : Triangle{s + 1, s, s + 2};
      expected.push_back(t);
      for (std::uint32_t index : t) {
        deltas.push_back(mark - index);
        if (index == mark) ++mark;
      }
    }
    const BitWriter payload = delta_payload(deltas);
    auto triangles = read(delta_block(simplex_count, payload), simplex_count + 2);
    ASSERT_TRUE(triangles) << simplex_count << ": " << triangles.error().display();
    EXPECT_EQ(triangles.value(), expected);

    // One spare byte, or one byte too few.
    BitWriter longer = payload;
    longer.bytes.push_back(0);
    EXPECT_EQ(error_text(delta_block(simplex_count, longer), simplex_count + 2),
              PREFIX + "block payload length disagrees with the block header");
    BitWriter shorter = payload;
    shorter.bytes.pop_back();
    EXPECT_EQ(error_text(delta_block(simplex_count, shorter), simplex_count + 2),
              "io error: unexpected end of file");
  }
}

// 66 deltas: a group of 64 and a group of 2, each with its own width. Writing
// the last group as if it held 64 leaves bytes over.
TEST(IndexBlock, LastGroupHoldsTheRemainder) {
  std::vector<std::uint64_t> deltas(66, 0);
  BitWriter exact;
  exact.put(0, 6).put(0, 6).put(0, 6);  // three zero-width groups would be one too many
  auto err = read(delta_block(22, exact), 100);
  EXPECT_EQ(err.error().display(), PREFIX + "block payload length disagrees with the block header");

  BitWriter two_groups;
  two_groups.put(0, 6).put(0, 6);
  auto triangles = read(delta_block(22, two_groups), 66);
  ASSERT_TRUE(triangles) << triangles.error().display();
  EXPECT_EQ(triangles.value().back(), (Triangle{63, 64, 65}));

  BitWriter wide_last;
  wide_last.put(0, 6).put(63, 6).put(0, 63).put(0, 63);
  auto wide = read(delta_block(22, wide_last), 66);
  ASSERT_TRUE(wide) << wide.error().display();
  EXPECT_EQ(wide.value(), triangles.value());
}

TEST(IndexBlock, FixedWidth) {
  {
    BitWriter p;
    p.put(0xFFFFFFFEu, 32).put(0, 32).put(7, 32);
    auto triangles = read(fixed_block(1, 32, p), 0xFFFFFFFFu);
    ASSERT_TRUE(triangles) << triangles.error().display();
    EXPECT_EQ(triangles.value(), (std::vector<Triangle>{{0xFFFFFFFEu, 0, 7}}));
  }
  {
    BitWriter p;
    p.put(1, 3).put(2, 3).put(3, 3).put(4, 3).put(0, 3).put(1, 3);
    auto triangles = read(fixed_block(2, 3, p), 5);
    ASSERT_TRUE(triangles) << triangles.error().display();
    EXPECT_EQ(triangles.value(), (std::vector<Triangle>{{1, 2, 3}, {4, 0, 1}}));
    EXPECT_EQ(error_text(fixed_block(2, 3, p), 4),
              PREFIX + "simplex refers to an index at or beyond the item count");
  }
  {
    auto triangles = read(fixed_block(3, 0, BitWriter{}), 1);
    ASSERT_TRUE(triangles) << triangles.error().display();
    EXPECT_EQ(triangles.value(), std::vector<Triangle>(3, Triangle{0, 0, 0}));
    EXPECT_EQ(error_text(fixed_block(3, 0, BitWriter{}), 0),
              PREFIX + "simplex refers to an index at or beyond the item count");
  }
}

TEST(IndexBlock, FaultsInOrder) {
  struct Case {
    const char* what;
    ByteWriter stream;
    std::uint32_t item_count;
    std::string text;
  };
  std::vector<Case> cases;
  {
    ByteWriter b;
    b.u8(2).u32(1);
    cases.push_back({"arity", b, 3, PREFIX + "index block was written at a different arity than requested"});
  }
  {
    ByteWriter b;
    b.u8(3).u32(1).u8(2);
    cases.push_back({"mode", b, 3, PREFIX + "index block declares a coding mode this version does not know"});
  }
  {
    ByteWriter b;
    b.u8(3).u32(1).u8(0).u8(33);
    cases.push_back({"width", b, 3, PREFIX + "index block declares a width wider than a u32"});
  }
  {
    BitWriter p;
    p.put(1, 8).put(2, 8);  // needs 3 bytes
    cases.push_back({"fixed payload short", fixed_block(1, 8, p), 3,
                     PREFIX + "block payload is shorter than its header declares"});
  }
  {
    ByteWriter b;
    b.u8(3).u32(1).u8(1).u32(10).u8(0);
    cases.push_back(
        {"delta payload short", b, 3, PREFIX + "block payload is shorter than its header declares"});
  }
  cases.push_back({"first delta", delta_block(1, delta_payload({1, 0, 0})), 3,
                   PREFIX + "index delta reaches back past the high water mark"});
  cases.push_back({"delta past items", delta_block(1, delta_payload({0, 0, 0})), 2,
                   PREFIX + "simplex refers to an index at or beyond the item count"});
  {
    ByteWriter b;
    b.u8(3).u32(1).u8(1).u16(0);
    cases.push_back({"short length", b, 3, "io error: failed to fill whole buffer"});
  }
  {
    ByteWriter b;
    b.u8(3).u16(1);
    cases.push_back({"short count", b, 3, "io error: failed to fill whole buffer"});
  }
  for (const auto& c : cases) EXPECT_EQ(error_text(c.stream, c.item_count), c.text) << c.what;
}

}  // namespace
