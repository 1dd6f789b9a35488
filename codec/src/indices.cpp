#include "indices.hpp"

#include <algorithm>

#include "bits.hpp"

namespace talvane::codec {

// Up-front reservations never exceed this many entries; arrays grow only as
// simplices are actually decoded.
static constexpr std::uint64_t MAX_RESERVED_TRIANGLES = 65536;
static constexpr unsigned MAX_FIXED_WIDTH = 32;
static constexpr unsigned GROUP_WIDTH_BITS = 6;
static constexpr std::uint64_t DELTA_GROUP_SIZE = 64;

static constexpr std::string_view INDEX_BEYOND_ITEMS =
    "simplex refers to an index at or beyond the item count";

// Room for min(simplex count, cap) triangles, where `backed` is how many
// simplices the payload is known to pay for with its bits.
static std::vector<Triangle> reserved_triangles(std::uint32_t simplex_count, std::uint64_t backed) {
  std::vector<Triangle> triangles;
  triangles.reserve(std::min<std::uint64_t>(simplex_count, MAX_RESERVED_TRIANGLES + backed));
  return triangles;
}

static Result<std::vector<Triangle>> read_fixed_width(StreamReader& reader, std::uint32_t simplex_count,
                                                      std::uint32_t item_count,
                                                      std::uint64_t max_free_simplices) {
  auto width = reader.read_u8();
  if (!width) return width.error();
  if (width.value() > MAX_FIXED_WIDTH)
    return CodecError::malformed("index block declares a width wider than a u32");
  const unsigned w = width.value();

  const std::uint64_t payload_bits = std::uint64_t{simplex_count} * w * TRIANGLE_ARITY;
  auto payload = read_payload(reader, (payload_bits + 7) / 8);
  if (!payload) return payload.error();
  // With an item count of 0 the first index fails below, whatever the count.
  if (w == 0 && item_count > 0 && simplex_count > max_free_simplices) return CodecError::io(OUT_OF_MEMORY);
  // Every simplex of a nonzero width is in the payload.
  auto triangles = reserved_triangles(simplex_count, w == 0 ? 0 : simplex_count);

  BitReader bits(payload.value());
  for (std::uint32_t s = 0; s < simplex_count; ++s) {
    Triangle triangle{};
    for (auto& index : triangle) {
      auto code = bits.read(w);
      if (!code) return code.error();
      if (code.value() >= item_count) return CodecError::malformed(INDEX_BEYOND_ITEMS);
      index = static_cast<std::uint32_t>(code.value());
    }
    triangles.push_back(triangle);
  }
  if (auto done = bits.finish(); !done) return done.error();
  return triangles;
}

// Walks the delta groups without keeping them, so that a payload whose
// groups are cut short or leave bytes over is rejected before any triangle
// is built, and a corrupt count never turns into a large delta array.
static Result<void> check_delta_groups(Payload payload, std::uint64_t delta_count) {
  BitReader bits(payload);
  for (std::uint64_t missing = delta_count; missing > 0;) {
    auto group_width = bits.read(GROUP_WIDTH_BITS);
    if (!group_width) return group_width.error();
    const std::uint64_t in_group = std::min(DELTA_GROUP_SIZE, missing);
    if (auto deltas = bits.skip(in_group * group_width.value()); !deltas) return deltas.error();
    missing -= in_group;
  }
  return bits.finish();
}

static Result<std::vector<Triangle>> read_delta(StreamReader& reader, std::uint32_t simplex_count,
                                                std::uint32_t item_count) {
  auto length = reader.read_u32();
  if (!length) return length.error();
  auto payload = read_payload(reader, length.value());
  if (!payload) return payload.error();

  const std::uint64_t delta_count = std::uint64_t{simplex_count} * TRIANGLE_ARITY;
  if (auto checked = check_delta_groups(payload.value(), delta_count); !checked) return checked.error();

  // The groups are all there, but a group of width 0 holds 64 deltas in 6
  // bits; reserve for at most one bit per delta and grow past that.
  auto triangles = reserved_triangles(simplex_count, 8 * payload.value().size() / TRIANGLE_ARITY);
  BitReader bits(payload.value());
  DeltaDecoder decoder(item_count);
  Triangle triangle{};
  unsigned corner = 0;
  // The checking pass has walked these very groups, so every read finds its bits.
  for (std::uint64_t missing = delta_count; missing > 0;) {
    const auto g = static_cast<unsigned>(bits.read_known(GROUP_WIDTH_BITS));
    const std::uint64_t in_group = std::min(DELTA_GROUP_SIZE, missing);
    for (std::uint64_t i = 0; i < in_group; ++i) {
      auto index = decoder.next(bits.read_known(g));
      if (!index) return index.error();
      triangle[corner] = index.value();
      if (++corner == TRIANGLE_ARITY) {
        triangles.push_back(triangle);
        corner = 0;
      }
    }
    missing -= in_group;
  }
  return triangles;
}

Result<std::vector<Triangle>> read_index_block(StreamReader& reader, std::uint32_t item_count,
                                               std::uint64_t max_free_simplices) {
  auto arity = reader.read_u8();
  if (!arity) return arity.error();
  if (arity.value() != TRIANGLE_ARITY) {
    return CodecError::malformed("index block was written at a different arity than requested");
  }
  auto simplex_count = reader.read_u32();
  if (!simplex_count) return simplex_count.error();
  if (simplex_count.value() == 0) return std::vector<Triangle>{};

  auto mode = reader.read_u8();
  if (!mode) return mode.error();
  switch (mode.value()) {
    case static_cast<std::uint8_t>(IndexCoding::FixedWidth):
      return read_fixed_width(reader, simplex_count.value(), item_count, max_free_simplices);
    case static_cast<std::uint8_t>(IndexCoding::Delta):
      return read_delta(reader, simplex_count.value(), item_count);
    default:
      return CodecError::malformed("index block declares a coding mode this version does not know");
  }
}

}  // namespace talvane::codec
