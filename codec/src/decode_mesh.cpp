#include "decode_mesh.hpp"

#include <limits>
#include <new>
#include <stdexcept>

#include "container.hpp"
#include "stream_reader.hpp"

namespace talvane::codec {

static Result<MeshItem> decode_mesh_item(std::span<const std::uint8_t> stream) {
    StreamReader reader(stream);
    auto header = read_container_header(reader, ContainerKind::Mesh);
    if (!header) return header.error();
    if (header.value().item_count != 1) return CodecError::not_a_single_item(header.value().item_count);

    auto item = read_item_header(reader, false);
    if (!item) return item.error();

    // The points stay packed until the rest of the stream has passed every
    // check: a block of zero-width partitions can declare billions of points
    // in a few bytes, and none of them is built for a stream that fails.
    auto points = read_point_block_layout(reader);
    if (!points) return points.error();
    if (points.value().point_count > std::numeric_limits<std::uint32_t>::max()) {
        return CodecError::malformed("mesh holds more vertices than a u32 can index");
    }
    const auto vertex_count = static_cast<std::uint32_t>(points.value().point_count);

    auto faces = read_index_block(reader, vertex_count);
    if (!faces) return faces.error();

    auto vertices = decode_points(points.value());
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
