#include "decode_mesh.hpp"

#include <limits>
#include <new>
#include <stdexcept>

#include "container.hpp"
#include "stream_reader.hpp"

namespace talvane::codec {

// Points whose three widths are 0 and fixed-width indices of width 0 cost no
// stream bits, so a few bytes could declare billions of them. Every other
// point or triangle costs at least one bit, so a mesh may hold at most this
// many of each: one per stream bit, plus an allowance for free ones far
// above what any real mesh uses (single-point partitions, flat runs).
static constexpr std::uint64_t FREE_ELEMENT_ALLOWANCE = 65536;

static std::uint64_t element_budget(std::span<const std::uint8_t> stream) {
  return 8 * std::uint64_t{stream.size()} + FREE_ELEMENT_ALLOWANCE;
}

static Result<MeshItem> decode_mesh_item(std::span<const std::uint8_t> stream) {
  StreamReader reader(stream);
  auto header = read_container_header(reader, ContainerKind::Mesh);
  if (!header) return header.error();
  if (header.value().item_count != 1) return CodecError::not_a_single_item(header.value().item_count);

  auto item = read_item_header(reader, false);
  if (!item) return item.error();

  // The point block is checked now and unpacked last: a block of
  // zero-width partitions can declare billions of points in a few bytes,
  // and none of them is built for a stream that fails.
  const StreamReader point_block = reader;
  auto point_count = check_point_block(reader);
  if (!point_count) return point_count.error();
  if (point_count.value() > std::numeric_limits<std::uint32_t>::max()) {
    return CodecError::malformed("mesh holds more vertices than a u32 can index");
  }
  const auto vertex_count = static_cast<std::uint32_t>(point_count.value());

  auto faces = read_index_block(reader, vertex_count, element_budget(stream));
  if (!faces) return faces.error();

  if (vertex_count > element_budget(stream)) return CodecError::io(OUT_OF_MEMORY);
  StreamReader points_again = point_block;
  auto vertices = unpack_point_block(points_again, vertex_count);
  if (!vertices) return vertices.error();

  MeshItem mesh;
  mesh.vertices = std::move(vertices).value();
  mesh.faces = std::move(faces).value();
  mesh.name = std::move(item.value().name);
  mesh.metadata = std::move(item.value().metadata);
  return mesh;
}

Result<MeshItem> decode_mesh(std::span<const std::uint8_t> stream) {
  try {
    return decode_mesh_item(stream);
  } catch (const std::bad_alloc&) {
    return CodecError::io(OUT_OF_MEMORY);
  } catch (const std::length_error&) {
    return CodecError::io(OUT_OF_MEMORY);
  }
}

}  // namespace talvane::codec
