// The geometry streams compiled into the library, seven per model that has geometry.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "meshes/link_mesh.hpp"
#include "robot.hpp"

namespace talvane {

// One model's seven streams, in mesh index order.
using MeshStreams = std::array<std::span<const std::uint8_t>, LINK_MESH_COUNT>;

// The embedded streams of `model`: only the CRX-5iA and the CRX-10iA have an entry.
std::optional<MeshStreams> mesh_streams(CrxModel model);

}  // namespace talvane
