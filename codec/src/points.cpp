#include "points.hpp"

#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>

#include "bits.hpp"
#include "quantize.hpp"
#include "rotation.hpp"

namespace talvane::codec {

namespace {

struct AnchorBox {
  Point3 lo{};
  Point3 hi{};
};

struct Widths {
  std::array<std::uint8_t, 3> bits{};
  unsigned sum() const { return unsigned{bits[0]} + bits[1] + bits[2]; }
};

struct BlockHeader {
  std::uint32_t partition_count = 0;
  AnchorBox anchor;
  Widths anchor_widths;
};

// One partition read and checked, with everything needed to unpack its
// points from `payload`, which views the stream.
struct Partition {
  std::uint32_t point_count = 0;
  bool rotated = false;
  Widths point_widths;
  Rotation rotation{};
  std::array<Quantizer, 3> axes{Quantizer(0.0, 0.0, 0), Quantizer(0.0, 0.0, 0), Quantizer(0.0, 0.0, 0)};
  std::uint32_t points_bit_offset = 0;  // where the first point's codes start
  Payload payload;
};

}  // namespace

static Result<AnchorBox> read_anchor_box(StreamReader& reader) {
  std::array<double, 6> values{};
  for (double& v : values) {
    auto read = reader.read_f64();
    if (!read) return read.error();
    v = read.value();
  }
  // Rejects infinities and NaN alike: NaN fails every comparison.
  for (double v : values) {
    if (!(std::fabs(v) <= std::numeric_limits<double>::max())) {
      return CodecError::malformed("point block has an invalid anchor box");
    }
  }
  AnchorBox box;
  for (int axis = 0; axis < 3; ++axis) {
    box.lo[axis] = values[axis];
    box.hi[axis] = values[3 + axis];
    if (box.lo[axis] > box.hi[axis]) return CodecError::malformed("point block has an invalid anchor box");
  }
  return box;
}

static Result<Widths> read_widths(StreamReader& reader, std::string_view too_wide) {
  Widths widths;
  for (auto& w : widths.bits) {
    auto read = reader.read_u8();
    if (!read) return read.error();
    if (read.value() > MAX_QUANTIZER_BITS) return CodecError::malformed(too_wide);
    w = read.value();
  }
  return widths;
}

// The anchor box seen from the rotated frame, centred on the origin.
static AnchorBox rotated_corner_box(const AnchorBox& anchor, const Rotation& r) {
  Point3 h{};
  for (int axis = 0; axis < 3; ++axis) h[axis] = (anchor.hi[axis] - anchor.lo[axis]) * 0.5;
  AnchorBox box;
  for (int j = 0; j < 3; ++j) {
    const double e = (std::fabs(r[0][j]) * h[0] + std::fabs(r[1][j]) * h[1]) + std::fabs(r[2][j]) * h[2];
    box.hi[j] = e;
    box.lo[j] = -e;
  }
  return box;
}

static Result<Partition> read_partition(StreamReader& reader, const BlockHeader& block) {
  Partition part;
  auto count = reader.read_u32();
  if (!count) return count.error();
  if (count.value() == 0) return CodecError::malformed("point block holds an empty partition");
  part.point_count = count.value();

  auto transform = reader.read_u8();
  if (!transform) return transform.error();
  if (transform.value() > 1) {
    return CodecError::malformed("point block carries a transform this version does not define");
  }
  part.rotated = transform.value() == 1;

  auto widths = read_widths(reader, "point block declares an impossible bit width");
  if (!widths) return widths.error();
  part.point_widths = widths.value();

  const std::uint64_t header_bits =
      2 * std::uint64_t{block.anchor_widths.sum()} + (part.rotated ? ROTATION_CODE_BITS : 0);
  const std::uint64_t total_bits = header_bits + std::uint64_t{part.point_count} * part.point_widths.sum();
  auto payload = read_payload(reader, (total_bits + 7) / 8);
  if (!payload) return payload.error();
  part.payload = payload.value();
  part.points_bit_offset = static_cast<std::uint32_t>(header_bits);

  BitReader bits(part.payload);
  AnchorBox corner_box = block.anchor;
  if (part.rotated) {
    auto code = bits.read(ROTATION_CODE_BITS);
    if (!code) return code.error();
    part.rotation = decode_rotation(code.value());
    corner_box = rotated_corner_box(block.anchor, part.rotation);
  }

  std::array<std::uint64_t, 6> corner_codes{};  // lower x y z, then upper x y z
  for (int i = 0; i < 6; ++i) {
    auto code = bits.read(block.anchor_widths.bits[i % 3]);
    if (!code) return code.error();
    corner_codes[i] = code.value();
  }
  Point3 lower{};
  Point3 upper{};
  for (int axis = 0; axis < 3; ++axis) {
    const double lo = corner_box.lo[axis];
    const double hi = corner_box.hi[axis];
    if (block.anchor_widths.bits[axis] == 0) {
      lower[axis] = lo;
      upper[axis] = hi;
    } else {
      const Quantizer q(lo, hi - lo, block.anchor_widths.bits[axis]);
      lower[axis] = q.corner(corner_codes[axis], hi);
      upper[axis] = q.corner(corner_codes[3 + axis], hi);
    }
  }
  for (int axis = 0; axis < 3; ++axis) {
    if (lower[axis] > upper[axis]) return CodecError::malformed("partition has an inverted box");
  }
  for (int axis = 0; axis < 3; ++axis) {
    part.axes[axis] = Quantizer(lower[axis], upper[axis] - lower[axis], part.point_widths.bits[axis]);
  }
  return part;
}

static Result<BlockHeader> read_block_header(StreamReader& reader) {
  auto dimension = reader.read_u8();
  if (!dimension) return dimension.error();
  if (dimension.value() != POINT_DIMENSION) {
    return CodecError::malformed("point block was written at a different dimension than requested");
  }
  BlockHeader block;
  auto partition_count = reader.read_u32();
  if (!partition_count) return partition_count.error();
  block.partition_count = partition_count.value();
  if (block.partition_count == 0) return block;

  auto anchor = read_anchor_box(reader);
  if (!anchor) return anchor.error();
  block.anchor = anchor.value();
  auto anchor_widths = read_widths(reader, "point block declares an impossible anchor width");
  if (!anchor_widths) return anchor_widths.error();
  block.anchor_widths = anchor_widths.value();
  return block;
}

// Appends the partition's points to `out`, which has room for them.
static Result<void> unpack_partition(const Partition& part, const AnchorBox& anchor,
                                     std::vector<Point3>& out) {
  BitReader bits(part.payload);
  // The rotation code and corners were read by `read_partition`.
  if (auto skipped = bits.skip(part.points_bit_offset); !skipped) return skipped.error();
  // The payload was sized from the partition header, so every read below
  // is known to find its bits.
  const auto& [qx, qy, qz] = part.axes;
  const auto& [wx, wy, wz] = part.point_widths.bits;
  if (!part.rotated) {
    for (std::uint32_t i = 0; i < part.point_count; ++i) {
      const double x = qx.value(bits.read_known(wx));
      const double y = qy.value(bits.read_known(wy));
      const double z = qz.value(bits.read_known(wz));
      out.push_back({x, y, z});
    }
    return bits.finish();
  }
  Point3 centre{};
  for (int axis = 0; axis < 3; ++axis) centre[axis] = (anchor.lo[axis] + anchor.hi[axis]) * 0.5;
  const Rotation& r = part.rotation;
  for (std::uint32_t i = 0; i < part.point_count; ++i) {
    const double x = qx.value(bits.read_known(wx));
    const double y = qy.value(bits.read_known(wy));
    const double z = qz.value(bits.read_known(wz));
    Point3 turned{};
    for (int row = 0; row < 3; ++row) {
      turned[row] = ((r[row][0] * x + r[row][1] * y) + r[row][2] * z) + centre[row];
    }
    out.push_back(turned);
  }
  return bits.finish();
}

Result<std::uint64_t> check_point_block(StreamReader& reader) {
  auto block = read_block_header(reader);
  if (!block) return block.error();
  std::uint64_t point_count = 0;  // at most (2^32 - 1)^2: no overflow
  for (std::uint32_t i = 0; i < block.value().partition_count; ++i) {
    auto part = read_partition(reader, block.value());
    if (!part) return part.error();
    point_count += part.value().point_count;
  }
  return point_count;
}

Result<std::vector<Point3>> unpack_point_block(StreamReader& reader, std::uint64_t point_count) {
  std::vector<Point3> points;
  try {
    points.reserve(point_count);
  } catch (const std::bad_alloc&) {
    return CodecError::io(OUT_OF_MEMORY);
  } catch (const std::length_error&) {
    return CodecError::io(OUT_OF_MEMORY);
  }
  auto block = read_block_header(reader);
  if (!block) return block.error();
  for (std::uint32_t i = 0; i < block.value().partition_count; ++i) {
    auto part = read_partition(reader, block.value());
    if (!part) return part.error();
    // Guards against a block other than the one that was checked.
    if (points.size() + part.value().point_count > point_count) return CodecError::io(OUT_OF_MEMORY);
    auto done = unpack_partition(part.value(), block.value().anchor, points);
    if (!done) return done.error();
  }
  return points;
}

}  // namespace talvane::codec
