#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "bits.hpp"
#include "quantize.hpp"
#include "stream_builder.hpp"

using namespace talvane::codec;
using talvane::codec::testing::BitWriter;

namespace {

const CodecError EOF_ERROR = CodecError::io(UNEXPECTED_END_OF_FILE);
const CodecError LENGTH_DISAGREES =
    CodecError::malformed("block payload length disagrees with the block header");

TEST(BitReader, ReadsThreeThenThirteenBits) {
  const std::vector<std::uint8_t> payload{0xAD, 0x5B};
  BitReader bits(payload);
  EXPECT_EQ(bits.read(3).value(), 5u);
  EXPECT_EQ(bits.read(13).value(), 2933u);
  EXPECT_TRUE(bits.finish());
}

TEST(BitReader, WidthZeroNeverFails) {
  const std::vector<std::uint8_t> empty;
  BitReader bits(empty);
  EXPECT_EQ(bits.read(0).value(), 0u);
  EXPECT_TRUE(bits.finish());

  const std::vector<std::uint8_t> one{0xFF};
  BitReader exhausted(one);
  EXPECT_EQ(exhausted.read(8).value(), 0xFFu);
  EXPECT_EQ(exhausted.read(0).value(), 0u);
  EXPECT_EQ(exhausted.read(1).error(), EOF_ERROR);
}

// Fields of every width at every alignment, across word and byte refills.
TEST(BitReader, MixedWidthsMatchTheWriter) {
  std::vector<std::pair<std::uint64_t, unsigned>> fields;
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  for (int i = 0; i < 2000; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    const unsigned width = static_cast<unsigned>(state % 65);
    const std::uint64_t value = width == 64 ? state : state & ((std::uint64_t{1} << width) - 1);
    fields.emplace_back(value, width);
  }
  BitWriter writer;
  for (auto [value, width] : fields) writer.put(value, width);
  BitReader bits(writer.bytes);
  for (auto [value, width] : fields) {
    auto read = bits.read(width);
    ASSERT_TRUE(read);
    ASSERT_EQ(read.value(), value) << "width " << width;
  }
  EXPECT_TRUE(bits.finish());
}

TEST(BitReader, SixtyFourBitsStraddlingTwoWords) {
  BitWriter writer;
  writer.put(0x5, 3).put(0xFEDCBA9876543210u, 64).put(0xFFFFFFFFFFFFFFFFu, 64).put(1, 1);
  BitReader bits(writer.bytes);
  EXPECT_EQ(bits.read(3).value(), 0x5u);
  EXPECT_EQ(bits.read(64).value(), 0xFEDCBA9876543210u);
  EXPECT_EQ(bits.read(64).value(), 0xFFFFFFFFFFFFFFFFu);
  EXPECT_EQ(bits.read(1).value(), 1u);
  EXPECT_TRUE(bits.finish());
}

TEST(BitReader, FinishChecksThePayloadWasUsedUp) {
  // BitWriter of padding may hold anything.
  const std::vector<std::uint8_t> padded{0xFF, 0xFF};
  BitReader a(padded);
  ASSERT_TRUE(a.read(9));
  EXPECT_TRUE(a.finish());

  // One whole byte too many, whether buffered or never loaded.
  BitReader b(padded);
  ASSERT_TRUE(b.read(3));
  EXPECT_EQ(b.finish().error(), LENGTH_DISAGREES);
  const std::vector<std::uint8_t> long_payload(20, 0);
  BitReader c(long_payload);
  ASSERT_TRUE(c.read(64));
  ASSERT_TRUE(c.read(64));
  EXPECT_EQ(c.finish().error(), LENGTH_DISAGREES);
  BitReader d(long_payload);
  EXPECT_EQ(d.finish().error(), LENGTH_DISAGREES);
}

TEST(BitReader, RunsOutOfData) {
  const std::vector<std::uint8_t> payload(9, 0xAB);
  BitReader bits(payload);
  ASSERT_TRUE(bits.read(64));
  ASSERT_TRUE(bits.read(8));
  EXPECT_EQ(bits.read(1).error(), EOF_ERROR);
  EXPECT_EQ(EOF_ERROR.display(), "io error: unexpected end of file");
}

// Reads `bits` bits in fields of at most 64; whether all were there.
bool read_through(BitReader& reader, std::uint64_t bits) {
  for (; bits > 0;) {
    const unsigned step = bits < 64 ? static_cast<unsigned>(bits) : 64;
    if (!reader.read(step)) return false;
    bits -= step;
  }
  return true;
}

// skip(n) leaves the reader where reading n bits does: the same next field,
// the same verdict of finish, the same failure past the end. Leads and
// lengths cover buffered bits only, whole words, byte steps in place and a
// remainder, up to and past the payload's end.
TEST(BitReader, SkipMatchesReadingTheSameBits) {
  BitWriter writer;
  std::uint64_t state = 0x2545F4914F6CDD1Du;
  for (int i = 0; i < 37; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    writer.put(state & 0xFF, 8);
  }
  const std::uint64_t total = 8 * writer.bytes.size();
  for (std::uint64_t lead : {0u, 3u, 64u, 70u, 127u, 290u}) {
    for (std::uint64_t n : {0u, 1u, 5u, 8u, 13u, 57u, 64u, 65u, 100u, 127u, 128u, 129u, 200u, 1000u}) {
      for (std::uint64_t length : {n, total - lead - 1, total - lead, total - lead + 1}) {
        SCOPED_TRACE("lead " + std::to_string(lead) + ", skip " + std::to_string(length));
        BitReader skipping(writer.bytes);
        BitReader reading(writer.bytes);
        ASSERT_TRUE(read_through(skipping, lead));
        ASSERT_TRUE(read_through(reading, lead));
        auto skipped = skipping.skip(length);
        const bool read_all = read_through(reading, length);
        ASSERT_EQ(static_cast<bool>(skipped), read_all);
        if (!read_all) {
          EXPECT_EQ(skipped.error(), EOF_ERROR);
          continue;
        }
        const std::uint64_t left = total - lead - length;
        const unsigned next = static_cast<unsigned>(std::min<std::uint64_t>(left, 11));
        EXPECT_EQ(skipping.read(next).value(), reading.read(next).value());
        EXPECT_EQ(static_cast<bool>(skipping.finish()), static_cast<bool>(reading.finish()));
      }
    }
  }
}

TEST(BitReaderDeath, WidthAboveSixtyFourIsFatal) {
  const std::vector<std::uint8_t> payload(16, 0);
  EXPECT_DEATH(
      {
        BitReader bits(payload);
        (void)bits.read(65);
      },
      "bit width 65 exceeds 64");
}

TEST(ReadPayload, TakesExactlyTheDeclaredBytes) {
  const std::uint8_t stream[] = {1, 2, 3, 4, 5};
  StreamReader reader(stream);
  auto payload = read_payload(reader, 3);
  ASSERT_TRUE(payload);
  // A view of the stream's own bytes, not a copy.
  EXPECT_EQ(payload.value().data(), stream);
  EXPECT_EQ(payload.value().size(), 3u);
  EXPECT_EQ(reader.remaining(), 2u);
  auto empty = read_payload(reader, 0);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty.value().empty());

  auto shortened = read_payload(reader, 3);
  ASSERT_FALSE(shortened);
  EXPECT_EQ(shortened.error().display(),
            "malformed quorvet stream: block payload is shorter than its header declares");
  EXPECT_EQ(reader.remaining(), 0u);
}

TEST(Quantizer, PointAndCornerRulesOnTheWorkedInterval) {
  const double lo = -100.0, hi = 0.1;
  const Quantizer q(lo, hi - lo, 16);
  EXPECT_EQ(q.max(), 65535u);
  EXPECT_EQ(q.corner(65535, hi), 0.1);
  EXPECT_EQ(q.value(65535), 0.09999999999999432);
  EXPECT_EQ(q.value(0), -100.0);
  EXPECT_EQ(q.corner(0, hi), -100.0);
  // Inner codes agree between the two rules.
  for (std::uint64_t code : {1u, 2u, 32767u, 32768u, 65534u}) EXPECT_EQ(q.value(code), q.corner(code, hi));
}

TEST(Quantizer, DegenerateWidthsAndRanges) {
  const Quantizer zero_width(3.5, 10.0, 0);
  EXPECT_EQ(zero_width.max(), 0u);
  EXPECT_EQ(zero_width.value(0), 3.5);
  EXPECT_EQ(zero_width.corner(0, 13.5), 3.5);

  const Quantizer flat(2.0, 0.0, 12);
  for (std::uint64_t code : {0u, 1u, 2000u, 4094u}) {
    EXPECT_EQ(flat.value(code), 2.0);
    EXPECT_EQ(flat.corner(code, 2.0), 2.0);
  }
  EXPECT_EQ(flat.value(4095), 2.0);
  EXPECT_EQ(flat.corner(4095, 7.0), 7.0);  // max still gives hi

  const Quantizer widest(0.0, 1.0, 53);
  EXPECT_EQ(widest.max(), (std::uint64_t{1} << 53) - 1);
  EXPECT_EQ(widest.value(widest.max()), 1.0);
}

TEST(QuantizerDeath, WidthAboveFiftyThreeIsFatal) {
  EXPECT_DEATH(Quantizer(0.0, 1.0, 54), "bit width 54 exceeds 53");
}

}  // namespace
