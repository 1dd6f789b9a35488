#include <gtest/gtest.h>

#include "container.hpp"
#include "decode_mesh.hpp"
#include "stream_builder.hpp"

using namespace talvane::codec;
using namespace talvane::codec::testing;

namespace {

const std::string PREFIX = "malformed quorvet stream: ";
const std::string SHORT = "io error: failed to fill whole buffer";

// One triangle over three points, after the item header.
ByteWriter& mesh_body(ByteWriter& b) {
  simple_points(b, {0, 128, 255});
  return b.u8(3).u32(1).u8(0).u8(2).u8(0b100100);  // fixed width 2: indices 0 1 2
}

ByteWriter plain_mesh() {
  ByteWriter b = mesh_header();
  plain_item(b);
  return mesh_body(b);
}

std::string decode_text(const ByteWriter& b) {
  auto mesh = decode_mesh(b.data);
  return mesh ? "ok" : mesh.error().display();
}

ByteWriter with_header_byte(std::size_t offset, std::uint8_t value) {
  ByteWriter b = plain_mesh();
  b.data[offset] = value;
  return b;
}

TEST(DecodeMesh, PlainMesh) {
  ByteWriter b = plain_mesh();
  auto mesh = decode_mesh(b.data);
  ASSERT_TRUE(mesh) << mesh.error().display();
  EXPECT_EQ(mesh.value().vertices, (std::vector<Point3>{{0, 0, 0}, {128.0 / 255.0, 0, 0}, {1, 0, 0}}));
  EXPECT_EQ(mesh.value().faces, (std::vector<Triangle>{{0, 1, 2}}));
  EXPECT_FALSE(mesh.value().name);
  EXPECT_TRUE(mesh.value().metadata.empty());

  b.raw({0xDE, 0xAD, 0xBE, 0xEF});  // bytes after the index block are never looked at
  auto trailing = decode_mesh(b.data);
  ASSERT_TRUE(trailing);
  EXPECT_EQ(trailing.value().faces, mesh.value().faces);
}

TEST(DecodeMesh, HeaderFaultsInOrder) {
  struct Case {
    const char* what;
    ByteWriter stream;
    std::string text;
  };
  std::vector<Case> cases;
  for (std::size_t n = 0; n <= 4; ++n) {
    ByteWriter b = plain_mesh();
    b.data.resize(n);
    cases.push_back({"truncated magic", b, SHORT});
  }
  cases.push_back({"magic", with_header_byte(3, 'X'), "not a quorvet stream: invalid magic bytes"});
  cases.push_back({"version 1", with_header_byte(4, 1), "unsupported quorvet format version 1"});
  cases.push_back({"version 3", with_header_byte(4, 3), "unsupported quorvet format version 3"});
  cases.push_back({"kind 0", with_header_byte(5, 0), PREFIX + "unknown container kind"});
  cases.push_back({"kind 6", with_header_byte(5, 6), PREFIX + "unknown container kind"});
  cases.push_back(
      {"kind 2", with_header_byte(5, 2), PREFIX + "container holds a different kind than requested"});
  {
    ByteWriter b = with_header_byte(5, 2);
    b.data[6] = 1;  // compression is examined before the kind is compared
    cases.push_back(
        {"compression", b, "stream declares compression method 1, which this build does not support"});
  }
  cases.push_back({"file flags", with_header_byte(7, 2), PREFIX + "file sets unknown flag bits"});
  cases.push_back(
      {"item count 0", with_header_byte(8, 0), "expected a container holding exactly one item, found 0"});
  cases.push_back(
      {"item count 2", with_header_byte(8, 2), "expected a container holding exactly one item, found 2"});
  cases.push_back({"closed", with_header_byte(12, 1),
                   PREFIX + "item sets the closed flag, which only applies to polylines"});
  cases.push_back({"item flags", with_header_byte(12, 8), PREFIX + "item sets unknown flag bits"});
  cases.push_back({"attributes", with_header_byte(13, 4),
                   "item declares 4 attribute blocks, which this format version cannot decode"});
  {
    // A stream of another kind whose metadata is cut short reports the cut.
    ByteWriter b;
    b.text("QRVT").u8(2).u8(2).u8(0).u8(1).u32(1).u16(1).u32(5).text("ab");
    cases.push_back({"kind after metadata", b, SHORT});
  }
  {
    ByteWriter b = mesh_header();
    b.u8(4).u16(1).string("k").u8(2).u32(0);
    cases.push_back({"number cut", b, SHORT});
  }
  {
    ByteWriter b = mesh_header();
    cases.push_back({"cut item header", b, SHORT});
  }
  {
    // 2^32 points from two zero-width partitions.
    ByteWriter b = mesh_header();
    plain_item(b);
    b.u8(3).u32(2).f64(0).f64(0).f64(0).f64(1).f64(1).f64(1).u8(0).u8(0).u8(0);
    b.u32(0x80000000u).u8(0).u8(0).u8(0).u8(0);
    b.u32(0x80000000u).u8(0).u8(0).u8(0).u8(0);
    cases.push_back({"vertex count", b, PREFIX + "mesh holds more vertices than a u32 can index"});
  }
  for (const auto& c : cases) EXPECT_EQ(decode_text(c.stream), c.text) << c.what;
}

ByteWriter mesh_with_item(const ByteWriter& item_tail, std::uint8_t flags) {
  ByteWriter b = mesh_header();
  b.u8(flags).raw(item_tail.data).u8(0);
  return mesh_body(b);
}

TEST(DecodeMesh, NameAndMetadata) {
  ByteWriter tail;
  tail.u16(6);
  tail.string("zeta").u8(1).u8(7);
  tail.string("alpha").u8(4).string("link 1 \xC3\xA9");
  tail.string("raw").u8(5).u32(3).raw({0, 0xFF, 0x10});
  tail.string("a64").u8(2).f64(1.5);
  tail.string("b64").u8(3).u32(0xDEADBEEF).u32(0x01234567);
  tail.string("off").u8(1).u8(0);
  tail.string("J1 housing");
  auto mesh = decode_mesh(mesh_with_item(tail, 6).data);
  ASSERT_TRUE(mesh) << mesh.error().display();
  EXPECT_EQ(mesh.value().name, "J1 housing");
  const Metadata expected{
      {"zeta", true},
      {"alpha", std::string("link 1 \xC3\xA9")},
      {"raw", talvane::codec::Bytes{0, 0xFF, 0x10}},
      {"a64", Number64A{std::bit_cast<std::uint64_t>(1.5)}},
      {"b64", Number64B{0x01234567DEADBEEFu}},
      {"off", false},
  };
  EXPECT_EQ(mesh.value().metadata, expected);
  std::vector<std::string> keys;
  for (const auto& [key, value] : mesh.value().metadata) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"a64", "alpha", "b64", "off", "raw", "zeta"}));

  // The name alone, and metadata written after the name: the decoder reads
  // metadata first and fails.
  ByteWriter name_only;
  name_only.string("base");
  auto named = decode_mesh(mesh_with_item(name_only, 2).data);
  ASSERT_TRUE(named) << named.error().display();
  EXPECT_EQ(named.value().name, "base");
  ByteWriter swapped;
  swapped.string("J1 housing").u16(1).string("k").u8(1).u8(1);
  EXPECT_FALSE(decode_mesh(mesh_with_item(swapped, 6).data));
}

TEST(DecodeMesh, FileMetadataIsCheckedAndDropped) {
  ByteWriter b;
  b.text("QRVT").u8(2).u8(1).u8(0).u8(1).u32(1).u16(1).string("source").u8(4).string("tools");
  plain_item(b);
  mesh_body(b);
  auto mesh = decode_mesh(b.data);
  ASSERT_TRUE(mesh) << mesh.error().display();
  EXPECT_TRUE(mesh.value().metadata.empty());
}

TEST(DecodeMesh, MetadataAndNameFaults) {
  const std::string long_key(65536, 'k');
  struct Case {
    const char* what;
    ByteWriter tail;
    std::uint8_t flags;
    std::string text;
  };
  std::vector<Case> cases;
  auto meta = [](auto fill) {
    ByteWriter t;
    t.u16(1);
    fill(t);
    return t;
  };
  cases.push_back({"key 65536", meta([&](ByteWriter& t) { t.string(long_key).u8(1).u8(1); }), 4, "ok"});
  cases.push_back({"key 65537", meta([&](ByteWriter& t) { t.string(long_key + "k").u8(1).u8(1); }), 4,
                   PREFIX + "metadata key length is implausible"});
  cases.push_back({"key utf8", meta([](ByteWriter& t) { t.u32(2).raw({0xC0, 0x80}).u8(1).u8(1); }), 4,
                   PREFIX + "metadata key is not valid UTF-8"});
  cases.push_back({"type 0", meta([](ByteWriter& t) { t.string("k").u8(0); }), 4,
                   PREFIX + "unknown metadata value type"});
  cases.push_back({"type 6", meta([](ByteWriter& t) { t.string("k").u8(6); }), 4,
                   PREFIX + "unknown metadata value type"});
  cases.push_back({"text length", meta([](ByteWriter& t) { t.string("k").u8(4).u32(16777217); }), 4,
                   PREFIX + "metadata text length is implausible"});
  cases.push_back({"text utf8",
                   meta([](ByteWriter& t) { t.string("k").u8(4).u32(3).raw({0xED, 0xA0, 0x80}); }), 4,
                   PREFIX + "metadata text is not valid UTF-8"});
  cases.push_back({"bytes length", meta([](ByteWriter& t) { t.string("k").u8(5).u32(16777217); }), 4,
                   PREFIX + "metadata byte string length is implausible"});
  cases.push_back({"text 16 MiB declared, absent",
                   meta([](ByteWriter& t) { t.string("k").u8(4).u32(16777216); }), 4, SHORT});
  {
    ByteWriter t;
    t.u16(2).string("k").u8(1).u8(1).string("k").u8(4).string("other type");
    cases.push_back({"duplicate", t, 4, PREFIX + "metadata contains a duplicate key"});
  }
  {
    ByteWriter t;
    t.u32(65537);
    cases.push_back({"name length", t, 2, PREFIX + "item name length is implausible"});
  }
  {
    ByteWriter t;
    t.u32(65536).text(std::string(65536, 'n'));
    cases.push_back({"name 65536", t, 2, "ok"});
  }
  {
    ByteWriter t;
    t.u32(4).raw({'a', 0xF4, 0x90, 0x80});
    cases.push_back({"name utf8", t, 2, PREFIX + "item name is not valid UTF-8"});
  }
  for (const auto& c : cases) EXPECT_EQ(decode_text(mesh_with_item(c.tail, c.flags)), c.text) << c.what;
}

TEST(DecodeMesh, Utf8Validation) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    bool valid;
  };
  const Case cases[] = {
      {{'a', 'b'}, true},
      {{0xC3, 0xA9}, true},               // é
      {{0xE2, 0x82, 0xAC}, true},         // €
      {{0xF0, 0x9F, 0x98, 0x80}, true},   // U+1F600
      {{0xF4, 0x8F, 0xBF, 0xBF}, true},   // U+10FFFF
      {{0xC3}, false},                    // cut short
      {{0xC1, 0xBF}, false},              // overlong
      {{0xE0, 0x80, 0x80}, false},        // overlong
      {{0xED, 0xA0, 0x80}, false},        // surrogate
      {{0xF4, 0x90, 0x80, 0x80}, false},  // above U+10FFFF
      {{0xF5, 0x80, 0x80, 0x80}, false},
      {{0x80}, false},  // lone continuation
      {{0xE2, 0x28, 0xA1}, false},
  };
  for (const auto& c : cases) {
    ByteWriter t;
    t.u32(static_cast<std::uint32_t>(c.bytes.size())).raw(c.bytes);
    EXPECT_EQ(decode_text(mesh_with_item(t, 2)) == "ok", c.valid);
  }
}

// The closed flag belongs to polyline items: their header reader takes it,
// a mesh's refuses it; unknown bits fail either way.
TEST(ItemHeader, ClosedFlagOnlyForPolylines) {
  struct Case {
    std::uint8_t flags;
    bool polyline;
    std::string text;
  };
  const std::vector<Case> cases{
      {1, true, "ok"},
      {3, true, "ok"},
      {1, false, PREFIX + "item sets the closed flag, which only applies to polylines"},
      {8, true, PREFIX + "item sets unknown flag bits"},
      {9, false, PREFIX + "item sets unknown flag bits"},
  };
  for (const auto& c : cases) {
    ByteWriter b;
    b.u8(c.flags);
    if (c.flags & ITEM_HAS_NAME) b.string("rail");
    b.u8(0);  // attribute blocks
    StreamReader reader(b.data);
    auto item = read_item_header(reader, c.polyline);
    EXPECT_EQ(item ? "ok" : item.error().display(), c.text) << int(c.flags) << " " << c.polyline;
    if (item) {
      EXPECT_EQ(item.value().flags, c.flags);
      EXPECT_EQ(item.value().name,
                (c.flags & ITEM_HAS_NAME) ? std::optional<std::string>("rail") : std::nullopt);
      EXPECT_EQ(reader.remaining(), 0u);
    }
  }
}

}  // namespace
