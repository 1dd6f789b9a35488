#pragma once
// Point blocks: quantised coordinates grouped into partitions, each with its
// own box inside the block's anchor box, its own widths and an optional
// rotation about the anchor box's centre.

#include <array>
#include <cstdint>
#include <vector>

#include "bits.hpp"
#include "quantize.hpp"
#include "result.hpp"
#include "rotation.hpp"
#include "stream_reader.hpp"

namespace talvane::codec {

using Point3 = std::array<double, 3>;

inline constexpr std::uint8_t POINT_DIMENSION = 3;

// One partition, validated and with its payload in hand; its points are not
// decoded yet.
struct PartitionLayout {
    std::uint32_t point_count = 0;
    bool rotated = false;
    std::array<std::uint8_t, 3> point_widths{};
    std::array<Quantizer, 3> axes{Quantizer(0.0, 0.0, 0), Quantizer(0.0, 0.0, 0), Quantizer(0.0, 0.0, 0)};
    Rotation rotation{};  // used only when rotated
    Point3 centre{};      // anchor box centre, used only when rotated
    std::uint32_t points_bit_offset = 0;  // where the first point's codes start
    Payload payload;
};

// A whole point block read and checked, points still packed.
struct PointBlockLayout {
    std::vector<PartitionLayout> partitions;
    std::uint64_t point_count = 0;  // sum over partitions; may exceed 2^32
};

// Reads a point block from its dimension byte to the end of its last payload
// and performs every check the block has. Holds only the stream's own bytes,
// so a block that declares billions of points costs nothing until decoded.
Result<PointBlockLayout> read_point_block_layout(StreamReader& reader);

// Unpacks the points of a checked block, partition after partition. The
// output is reserved once, for exactly the declared count; a count above
// `max_points`, or one that cannot be held, is Io "out of memory".
Result<std::vector<Point3>> decode_points(const PointBlockLayout& layout,
                                          std::uint64_t max_points = UINT64_MAX);

// Both steps at once.
Result<std::vector<Point3>> read_point_block(StreamReader& reader);

}  // namespace talvane::codec
