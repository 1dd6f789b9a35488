#pragma once
// Point blocks: quantised coordinates grouped into partitions, each with its
// own box inside the block's anchor box, its own widths and an optional
// rotation about the anchor box's centre.

#include <array>
#include <cstdint>
#include <vector>

#include "result.hpp"
#include "stream_reader.hpp"

namespace talvane::codec {

using Point3 = std::array<double, 3>;

inline constexpr std::uint8_t POINT_DIMENSION = 3;

// Reads a point block from its dimension byte to the end of its last payload
// and performs every check the block has, without building any point and
// without copying any payload. Returns the number of points (the sum over
// partitions, which may exceed 2^32).
Result<std::uint64_t> check_point_block(StreamReader& reader);

// Builds the points of a block that passed `check_point_block` with
// `point_count` points, reading it again from its first byte. The output is
// reserved once, exactly; if that cannot be had the result is Io "out of
// memory".
Result<std::vector<Point3>> unpack_point_block(StreamReader& reader, std::uint64_t point_count);

}  // namespace talvane::codec
