#pragma once
// Entry point of the geometry decoder: one mesh item out of a complete
// `quorvet` stream held in memory.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "codec_error.hpp"
#include "indices.hpp"
#include "metadata.hpp"
#include "points.hpp"
#include "result.hpp"

namespace talvane::codec {

struct MeshItem {
  std::vector<Point3> vertices;  // in the order the point block yields them
  std::vector<Triangle> faces;   // every index below vertices.size()
  std::optional<std::string> name;
  Metadata metadata;  // the item's; empty when it has none
};

// Decodes a container of kind Mesh holding exactly one item: its header, one
// point block of dimension 3, then one index block of arity 3. Bytes after
// the index block are ignored. Stops at the first fault and returns it; never
// a partial result. Pure function of `stream`.
//
// Memory: every length is checked against the bytes actually present before
// anything is reserved for it, and the vertices are unpacked only after the
// whole stream has been checked, into one allocation of exactly the declared
// size. A mesh with more vertices, or more zero-width fixed-width triangles,
// than 8 per stream byte plus 65,536 is refused with Io "out of memory", as is
// a result that cannot be allocated: only points and indices of width 0 can
// exceed that bound, and they would let a few bytes demand gigabytes.
Result<MeshItem> decode_mesh(std::span<const std::uint8_t> stream);

}  // namespace talvane::codec
