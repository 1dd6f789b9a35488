#include "points.hpp"

#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>

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

static Result<PartitionLayout> read_partition(StreamReader& reader, const AnchorBox& anchor,
                                              const Widths& anchor_widths) {
    PartitionLayout part;
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
    part.point_widths = widths.value().bits;

    const std::uint64_t header_bits =
        2 * std::uint64_t{anchor_widths.sum()} + (part.rotated ? ROTATION_CODE_BITS : 0);
    const std::uint64_t total_bits = header_bits + std::uint64_t{part.point_count} * widths.value().sum();
    auto payload = read_payload(reader, (total_bits + 7) / 8);
    if (!payload) return payload.error();
    part.payload = std::move(payload).value();
    part.points_bit_offset = static_cast<std::uint32_t>(header_bits);

    BitReader bits(part.payload);
    AnchorBox corner_box = anchor;
    if (part.rotated) {
        auto code = bits.read(ROTATION_CODE_BITS);
        if (!code) return code.error();
        part.rotation = decode_rotation(code.value());
        corner_box = rotated_corner_box(anchor, part.rotation);
        for (int axis = 0; axis < 3; ++axis) part.centre[axis] = (anchor.lo[axis] + anchor.hi[axis]) * 0.5;
    }

    std::array<std::uint64_t, 6> corner_codes{};  // lower x y z, then upper x y z
    for (int i = 0; i < 6; ++i) {
        auto code = bits.read(anchor_widths.bits[i % 3]);
        if (!code) return code.error();
        corner_codes[i] = code.value();
    }
    Point3 lower{};
    Point3 upper{};
    for (int axis = 0; axis < 3; ++axis) {
        const double lo = corner_box.lo[axis];
        const double hi = corner_box.hi[axis];
        if (anchor_widths.bits[axis] == 0) {
            lower[axis] = lo;
            upper[axis] = hi;
        } else {
            const Quantizer q(lo, hi - lo, anchor_widths.bits[axis]);
            lower[axis] = q.corner(corner_codes[axis], hi);
            upper[axis] = q.corner(corner_codes[3 + axis], hi);
        }
    }
    for (int axis = 0; axis < 3; ++axis) {
        if (lower[axis] > upper[axis]) return CodecError::malformed("partition has an inverted box");
    }
    for (int axis = 0; axis < 3; ++axis) {
        part.axes[axis] = Quantizer(lower[axis], upper[axis] - lower[axis], part.point_widths[axis]);
    }
    return part;
}

Result<PointBlockLayout> read_point_block_layout(StreamReader& reader) {
    auto dimension = reader.read_u8();
    if (!dimension) return dimension.error();
    if (dimension.value() != POINT_DIMENSION) {
        return CodecError::malformed("point block was written at a different dimension than requested");
    }
    auto partition_count = reader.read_u32();
    if (!partition_count) return partition_count.error();
    PointBlockLayout layout;
    if (partition_count.value() == 0) return layout;

    auto anchor = read_anchor_box(reader);
    if (!anchor) return anchor.error();
    auto anchor_widths = read_widths(reader, "point block declares an impossible anchor width");
    if (!anchor_widths) return anchor_widths.error();

    // Every partition costs at least 8 stream bytes, so the list grows with
    // the data and never ahead of it.
    for (std::uint32_t i = 0; i < partition_count.value(); ++i) {
        auto part = read_partition(reader, anchor.value(), anchor_widths.value());
        if (!part) return part.error();
        layout.point_count += part.value().point_count;
        layout.partitions.push_back(std::move(part).value());
    }
    return layout;
}

static Result<void> decode_partition(const PartitionLayout& part, std::vector<Point3>& out) {
    BitReader bits(part.payload);
    // Step over the rotation code and the corners, at most 64 bits at a time.
    // The payload was sized from the partition header, so every read below
    // is known to find its bits.
    for (std::uint32_t skipped = 0; skipped < part.points_bit_offset;) {
        const unsigned step = part.points_bit_offset - skipped < 64 ? part.points_bit_offset - skipped : 64;
        bits.read_known(step);
        skipped += step;
    }
    const auto& [qx, qy, qz] = part.axes;
    const auto& [wx, wy, wz] = part.point_widths;
    for (std::uint32_t i = 0; i < part.point_count; ++i) {
        const double x = qx.value(bits.read_known(wx));
        const double y = qy.value(bits.read_known(wy));
        const double z = qz.value(bits.read_known(wz));
        const Point3 p{x, y, z};
        if (!part.rotated) {
            out.push_back(p);
            continue;
        }
        const Rotation& r = part.rotation;
        Point3 turned{};
        for (int row = 0; row < 3; ++row) {
            turned[row] = ((r[row][0] * p[0] + r[row][1] * p[1]) + r[row][2] * p[2]) + part.centre[row];
        }
        out.push_back(turned);
    }
    return bits.finish();
}

Result<std::vector<Point3>> decode_points(const PointBlockLayout& layout, std::uint64_t max_points) {
    if (layout.point_count > max_points) return CodecError::io(OUT_OF_MEMORY);
    std::vector<Point3> points;
    try {
        points.reserve(layout.point_count);
    } catch (const std::bad_alloc&) {
        return CodecError::io(OUT_OF_MEMORY);
    } catch (const std::length_error&) {
        return CodecError::io(OUT_OF_MEMORY);
    }
    for (const auto& part : layout.partitions) {
        auto done = decode_partition(part, points);
        if (!done) return done.error();
    }
    return points;
}

Result<std::vector<Point3>> read_point_block(StreamReader& reader) {
    auto layout = read_point_block_layout(reader);
    if (!layout) return layout.error();
    return decode_points(layout.value());
}

}  // namespace talvane::codec
