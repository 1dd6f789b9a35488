#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "codec_error.hpp"
#include "stream_reader.hpp"

using namespace talvane::codec;

namespace {

struct DisplayCase {
  CodecError error;
  const char* text;
};

TEST(CodecError, DisplayTextOfEveryKind) {
  const DisplayCase cases[] = {
      {CodecError::io(FAILED_TO_FILL_BUFFER), "io error: failed to fill whole buffer"},
      {CodecError::io(UNEXPECTED_END_OF_FILE), "io error: unexpected end of file"},
      {CodecError::io(OUT_OF_MEMORY), "io error: out of memory"},
      {CodecError::bad_magic(), "not a quorvet stream: invalid magic bytes"},
      {CodecError::unsupported_version(1), "unsupported quorvet format version 1"},
      {CodecError::unsupported_version(255), "unsupported quorvet format version 255"},
      {CodecError::unsupported_compression(1),
       "stream declares compression method 1, which this build does not support"},
      {CodecError::unsupported_attributes(4),
       "item declares 4 attribute blocks, which this format version cannot decode"},
      {CodecError::not_a_single_item(0), "expected a container holding exactly one item, found 0"},
      {CodecError::not_a_single_item(4294967295u),
       "expected a container holding exactly one item, found 4294967295"},
      {CodecError::malformed("unknown container kind"), "malformed quorvet stream: unknown container kind"},
      {CodecError::tolerance_not_representable(1.0, 0.001),
       "cannot guarantee a tolerance of 0.001 over a range of 1: the ratio exceeds what an f64 can represent "
       "exactly"},
      {CodecError::tolerance_not_representable(1e20, 1e-7),
       "cannot guarantee a tolerance of 0.0000001 over a range of 100000000000000000000: the ratio exceeds "
       "what "
       "an f64 can represent exactly"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.error.display(), c.text) << c.error.debug();
}

TEST(CodecError, CauseIsTheIoErrorOnlyForIo) {
  const auto io = CodecError::io(UNEXPECTED_END_OF_FILE);
  ASSERT_NE(io.cause(), nullptr);
  EXPECT_EQ(io.cause()->kind, IoErrorKind::UnexpectedEof);
  EXPECT_EQ(io.cause()->text, "unexpected end of file");
  EXPECT_EQ(CodecError::io(OUT_OF_MEMORY).cause()->kind, IoErrorKind::OutOfMemory);
  EXPECT_EQ(CodecError::malformed("x").cause(), nullptr);
  EXPECT_EQ(CodecError::not_a_single_item(2).cause(), nullptr);
}

TEST(CodecError, DebugNamesKindAndFields) {
  EXPECT_EQ(CodecError::not_a_single_item(2).debug(), "NotASingleItem { found: 2 }");
  EXPECT_EQ(CodecError::unsupported_version(3).debug(), "UnsupportedVersion(3)");
  EXPECT_EQ(CodecError::malformed("unknown container kind").debug(), "Malformed(\"unknown container kind\")");
  EXPECT_EQ(CodecError::tolerance_not_representable(1, 0.5).debug(),
            "ToleranceNotRepresentable { range: 1, tol: 0.5 }");
  EXPECT_EQ(CodecError::bad_magic().debug(), "BadMagic");
}

TEST(ShortestDecimal, RoundTripsWithoutExponent) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {1.0, "1"},
      {0.001, "0.001"},
      {1e-7, "0.0000001"},
      {0.1, "0.1"},
      {-2.5, "-2.5"},
      {0.0, "0"},
      {0.09999999999999432, "0.09999999999999432"},
      {123456789012.0, "123456789012"},
      {std::numeric_limits<double>::infinity(), "inf"},
  };
  for (const auto& c : cases) EXPECT_EQ(shortest_decimal(c.value), c.text);
  const double tiny = std::numeric_limits<double>::denorm_min();
  EXPECT_EQ(std::strtod(shortest_decimal(tiny).c_str(), nullptr), tiny);
  const double huge = std::numeric_limits<double>::max();
  EXPECT_EQ(std::strtod(shortest_decimal(huge).c_str(), nullptr), huge);
  EXPECT_EQ(shortest_decimal(huge).find('e'), std::string::npos);
}

TEST(StreamReader, ReadsLittleEndianFields) {
  const std::uint8_t bytes[] = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0xAA};
  StreamReader reader(bytes);
  EXPECT_EQ(reader.read_u8().value(), 0x01);
  EXPECT_EQ(reader.read_u16().value(), 0x1234);
  EXPECT_EQ(reader.read_u32().value(), 0x12345678u);
  EXPECT_EQ(reader.read_f64().value(), 1.0);
  auto rest = reader.read_bytes(1);
  ASSERT_TRUE(rest);
  EXPECT_EQ(rest.value()[0], 0xAA);
  EXPECT_EQ(reader.remaining(), 0u);
}

TEST(StreamReader, ShortReadFailsAndConsumesEverything) {
  const std::uint8_t bytes[] = {1, 2, 3};
  {
    StreamReader reader(bytes);
    auto v = reader.read_u32();
    ASSERT_FALSE(v);
    EXPECT_EQ(v.error(), CodecError::io(FAILED_TO_FILL_BUFFER));
    EXPECT_EQ(reader.remaining(), 0u);
  }
  {
    StreamReader reader(bytes);
    EXPECT_FALSE(reader.read_f64());
    EXPECT_EQ(reader.remaining(), 0u);
    EXPECT_FALSE(reader.read_u8());
  }
  {
    StreamReader reader(bytes);
    EXPECT_FALSE(reader.read_bytes(std::uint64_t{1} << 40));
    EXPECT_EQ(reader.remaining(), 0u);
  }
}

}  // namespace
