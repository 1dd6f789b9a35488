#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "points.hpp"
#include "rotation.hpp"
#include "stream_builder.hpp"

using namespace talvane::codec;
using talvane::codec::testing::BitWriter;
using talvane::codec::testing::ByteWriter;

namespace {

struct Box {
  Point3 lo{0, 0, 0};
  Point3 hi{1, 1, 1};
};

ByteWriter block_header(const Box& box, std::array<std::uint8_t, 3> anchor_widths,
                        std::uint32_t partitions = 1) {
  ByteWriter b;
  b.u8(3).u32(partitions);
  for (double v : box.lo) b.f64(v);
  for (double v : box.hi) b.f64(v);
  for (auto w : anchor_widths) b.u8(w);
  return b;
}

ByteWriter& partition(ByteWriter& b, std::uint32_t count, std::uint8_t kind,
                      std::array<std::uint8_t, 3> widths, const BitWriter& payload) {
  b.u32(count).u8(kind);
  for (auto w : widths) b.u8(w);
  return b.raw(payload.bytes);
}

// Both passes over one block, as decode_mesh runs them: check it whole, then
// unpack it from its first byte. Both must end on the same byte.
Result<std::vector<Point3>> read_point_block(StreamReader& reader) {
  const StreamReader block_start = reader;
  auto point_count = check_point_block(reader);
  if (!point_count) return point_count.error();
  StreamReader again = block_start;
  auto points = unpack_point_block(again, point_count.value());
  if (points) {
    EXPECT_EQ(again.remaining(), reader.remaining());
  }
  return points;
}

Result<std::vector<Point3>> read(const ByteWriter& b) {
  StreamReader reader(b.data);
  return read_point_block(reader);
}

std::string error_text(const ByteWriter& b) {
  auto points = read(b);
  return points ? "ok" : points.error().display();
}

const std::uint64_t ROTATION_IDENTITY =
    3 | (2047u << 2) | (std::uint64_t{2047} << 14) | (std::uint64_t{2047} << 26);
const std::uint64_t ROTATION_HALF_TURN_X =
    0 | (2047u << 2) | (std::uint64_t{2047} << 14) | (std::uint64_t{2047} << 26);

TEST(DecodeRotation, IdentityAndHalfTurnAboutX) {
  const Rotation identity = decode_rotation(ROTATION_IDENTITY);
  const Rotation half_turn = decode_rotation(ROTATION_HALF_TURN_X);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      EXPECT_EQ(identity[i][j], i == j ? 1.0 : 0.0);
      EXPECT_EQ(half_turn[i][j], i != j ? 0.0 : (i == 0 ? 1.0 : -1.0));
    }
  }
}

TEST(DecodeRotation, EveryCodeIsARotation) {
  std::uint64_t state = 12345;
  for (int n = 0; n < 2000; ++n) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    const Rotation r = decode_rotation(state >> 26);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        double dot = 0;
        for (int k = 0; k < 3; ++k) dot += r[k][i] * r[k][j];
        EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-14);
      }
    }
    const double det = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                       r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                       r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
    EXPECT_NEAR(det, 1.0, 1e-14);
  }
}

TEST(PointBlock, NoPartitionsYieldsNothingAndStopsAtTheNextBlock) {
  ByteWriter b;
  b.u8(3).u32(0).u8(3);  // the index block's arity follows directly
  StreamReader reader(b.data);
  auto points = read_point_block(reader);
  ASSERT_TRUE(points);
  EXPECT_TRUE(points.value().empty());
  EXPECT_EQ(reader.remaining(), 1u);
}

// Anchor widths (15, 15, 14), 39 points of widths (13, 14, 13): 1648 bits,
// 206 bytes; rotated, 1686 bits, 211 bytes.
TEST(PointBlock, PayloadSizeFollowsTheHeader) {
  for (const auto& [kind, bytes] : {std::pair{0, 206u}, std::pair{1, 211u}}) {
    BitWriter payload;
    if (kind == 1) payload.put(ROTATION_IDENTITY, 38);
    payload.put(0, 15).put(0, 15).put(0, 14).put(32767, 15).put(32767, 15).put(16383, 14);
    for (int i = 0; i < 39; ++i) payload.put(i, 13).put(i, 14).put(i, 13);
    ASSERT_EQ(payload.bytes.size(), bytes);

    ByteWriter b = block_header(Box{}, {15, 15, 14});
    partition(b, 39, static_cast<std::uint8_t>(kind), {13, 14, 13}, payload).u8(0xEE);
    StreamReader reader(b.data);
    auto points = read_point_block(reader);
    ASSERT_TRUE(points) << points.error().display();
    EXPECT_EQ(points.value().size(), 39u);
    EXPECT_EQ(reader.remaining(), 1u);

    b.data.resize(b.data.size() - 2);
    EXPECT_EQ(error_text(b), "malformed quorvet stream: block payload is shorter than its header declares");
  }
}

TEST(PointBlock, PointRuleInsidePartitionBox) {
  // Anchor box [-100, 0.1] on x, full-range corners, 16-bit points.
  Box box{{-100, 0, 0}, {0.1, 1, 1}};
  BitWriter payload;
  payload.put(0, 16).put(0, 1).put(0, 1).put(65535, 16).put(1, 1).put(1, 1);
  payload.put(65535, 16).put(0, 2).put(0, 2);
  payload.put(0, 16).put(3, 2).put(1, 2);
  ByteWriter b = block_header(box, {16, 1, 1});
  partition(b, 2, 0, {16, 2, 2}, payload);
  auto points = read(b);
  ASSERT_TRUE(points) << points.error().display();
  EXPECT_EQ(points.value()[0], (Point3{0.09999999999999432, 0, 0}));
  EXPECT_EQ(points.value()[1], (Point3{-100, 1, 1.0 / 3.0}));
}

TEST(PointBlock, ZeroWidthsPinPointsToTheLowerCorner) {
  // y has point width 0: a flat patch at the lower corner's y.
  Box box{{0, 0, 0}, {10, 10, 10}};
  BitWriter payload;
  payload.put(0, 4).put(5, 4).put(0, 4).put(15, 4).put(5, 4).put(15, 4);
  payload.put(1, 2).put(3, 2).put(2, 2).put(0, 2);
  ByteWriter b = block_header(box, {4, 4, 4});
  partition(b, 2, 0, {2, 0, 2}, payload);
  auto points = read(b);
  ASSERT_TRUE(points) << points.error().display();
  const double y = 10.0 * (5.0 / 15.0);
  EXPECT_EQ(points.value()[0], (Point3{10.0 * (1.0 / 3.0), y, 10.0}));
  EXPECT_EQ(points.value()[1], (Point3{10.0 * (2.0 / 3.0), y, 0.0}));

  // All widths 0: the payload is the corners only.
  BitWriter corners;
  corners.put(3, 4).put(5, 4).put(7, 4).put(3, 4).put(5, 4).put(7, 4);
  ByteWriter c = block_header(box, {4, 4, 4});
  partition(c, 3, 0, {0, 0, 0}, corners);
  auto same = read(c);
  ASSERT_TRUE(same) << same.error().display();
  const Point3 corner{10.0 * (3.0 / 15.0), 10.0 * (5.0 / 15.0), 10.0 * (7.0 / 15.0)};
  EXPECT_EQ(same.value(), std::vector<Point3>(3, corner));
}

TEST(PointBlock, ZeroAnchorWidthsSpanTheAnchorBox) {
  Box box{{-1, 2, 5}, {1, 2, 9}};  // lo = hi on y is valid
  BitWriter payload;
  payload.put(3, 2).put(3, 2).put(0, 2);
  ByteWriter b = block_header(box, {0, 0, 0});
  partition(b, 1, 0, {2, 2, 2}, payload);
  auto points = read(b);
  ASSERT_TRUE(points) << points.error().display();
  EXPECT_EQ(points.value()[0], (Point3{1, 2, 5}));
}

TEST(PointBlock, RotatedPartitions) {
  // Anchor box centred on c = (1, 2, 3) with half extents (1, 2, 3); the
  // identity's corner box is [-h, h], the half turn's too.
  Box box{{0, 0, 0}, {2, 4, 6}};
  for (const auto& [code, sign] :
       {std::pair{ROTATION_IDENTITY, 1.0}, std::pair{ROTATION_HALF_TURN_X, -1.0}}) {
    BitWriter payload;
    payload.put(code, 38);
    payload.put(0, 8).put(0, 8).put(0, 8).put(255, 8).put(255, 8).put(255, 8);
    payload.put(255, 1).put(1, 1).put(0, 1);  // p = (1, 2, -3)
    ByteWriter b = block_header(box, {8, 8, 8});
    partition(b, 1, 1, {1, 1, 1}, payload);
    auto points = read(b);
    ASSERT_TRUE(points) << points.error().display();
    EXPECT_EQ(points.value()[0], (Point3{1 + 1, 2 + sign * 2, 3 + sign * -3}));
  }
}

TEST(PointBlock, FaultsInOrder) {
  const std::string prefix = "malformed quorvet stream: ";
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const BitWriter corners_8 = [] {
    BitWriter p;
    p.put(0, 24).put(0xFFFFFF, 24);
    return p;
  }();
  struct Case {
    const char* what;
    ByteWriter stream;
    std::string text;
  };
  std::vector<Case> cases;
  {
    ByteWriter b;
    b.u8(2).u32(0);
    cases.push_back(
        {"dimension", b, prefix + "point block was written at a different dimension than requested"});
  }
  for (const Box& box :
       {Box{{nan, 0, 0}, {1, 1, 1}}, Box{{0, 0, 0}, {1, inf, 1}}, Box{{0, 0, -inf}, {1, 1, 1}},
        Box{{1, 0, 0}, {0, 1, 1}}, Box{{0, 0, 0}, {1, 1, nan}}}) {
    cases.push_back(
        {"anchor box", block_header(box, {0, 0, 0}), prefix + "point block has an invalid anchor box"});
  }
  cases.push_back({"anchor width", block_header(Box{}, {8, 54, 8}),
                   prefix + "point block declares an impossible anchor width"});
  {
    ByteWriter b = block_header(Box{}, {8, 8, 8});
    b.u32(0);
    cases.push_back({"empty partition", b, prefix + "point block holds an empty partition"});
  }
  {
    ByteWriter b = block_header(Box{}, {8, 8, 8});
    b.u32(1).u8(2);  // nothing after the kind: checked before the widths
    cases.push_back(
        {"transform", b, prefix + "point block carries a transform this version does not define"});
  }
  {
    ByteWriter b = block_header(Box{}, {8, 8, 8});
    b.u32(1).u8(0).u8(53).u8(54);
    cases.push_back({"point width", b, prefix + "point block declares an impossible bit width"});
  }
  {
    BitWriter p;
    p.put(0, 8).put(9, 8).put(0, 8).put(255, 8).put(8, 8).put(255, 8);  // y: lower code above upper
    ByteWriter b = block_header(Box{}, {8, 8, 8});
    partition(b, 1, 0, {0, 0, 0}, p);
    cases.push_back({"inverted", b, prefix + "partition has an inverted box"});
  }
  {
    ByteWriter b = block_header(Box{}, {8, 8, 8});
    b.u32(1).u8(0).u8(0).u8(0);  // cut inside a partition header
    cases.push_back({"short header", b, "io error: failed to fill whole buffer"});
  }
  {
    ByteWriter b = block_header(Box{}, {8, 8, 8}, 2);
    partition(b, 1, 0, {0, 0, 0}, corners_8);
    cases.push_back({"missing partition", b, "io error: failed to fill whole buffer"});
  }
  {
    ByteWriter b;
    b.u8(3).u32(1).f64(0).f64(0);
    cases.push_back({"short anchor box", b, "io error: failed to fill whole buffer"});
  }
  for (const auto& c : cases) EXPECT_EQ(error_text(c.stream), c.text) << c.what;
}

TEST(PointBlock, WidestFieldsAccepted) {
  BitWriter payload;
  payload.put(0, 53).put(0, 53).put(0, 53);
  payload.put((std::uint64_t{1} << 53) - 1, 53)
      .put((std::uint64_t{1} << 53) - 1, 53)
      .put((std::uint64_t{1} << 53) - 1, 53);
  payload.put((std::uint64_t{1} << 53) - 1, 53).put(0, 53).put(1, 53);
  ByteWriter b = block_header(Box{{0, 0, 0}, {1, 1, 1}}, {53, 53, 53});
  partition(b, 1, 0, {53, 53, 53}, payload);
  auto points = read(b);
  ASSERT_TRUE(points) << points.error().display();
  EXPECT_EQ(points.value()[0], (Point3{1.0, 0.0, 1.0 / 9007199254740991.0}));
}

TEST(PointBlock, EqualCornerCodesMakeAFlatPartition) {
  BitWriter payload;
  payload.put(0, 8).put(100, 8).put(0, 8).put(255, 8).put(100, 8).put(255, 8);
  payload.put(1, 1).put(1, 1).put(1, 1);
  ByteWriter b = block_header(Box{{0, 0, 0}, {255, 255, 255}}, {8, 8, 8});
  partition(b, 1, 0, {1, 1, 1}, payload);
  auto points = read(b);
  ASSERT_TRUE(points) << points.error().display();
  EXPECT_EQ(points.value()[0], (Point3{255, 100, 255}));
}

}  // namespace
