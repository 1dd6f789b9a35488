// The link meshes: one link's triangle mesh, and the seven meshes that draw one robot.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "robot.hpp"

namespace talvane {

// Three indices into a mesh's vertices.
using MeshFace = std::array<std::uint32_t, 3>;

// One link's visual geometry in the link's own frame, in millimetres. Every face index is below
// the vertex count; meshes are never changed after creation.
struct LinkMesh {
  std::vector<Vec3> vertices;
  std::vector<MeshFace> faces;
  friend bool operator==(const LinkMesh&, const LinkMesh&) = default;
};

// Index 0 is the stationary base; index i (1..6) moves with frame i − 1 of fk_all, so index 6 is
// the flange, whose mating face lies on the flange frame's z = 0 plane.
inline constexpr std::size_t LINK_MESH_COUNT = 7;
using LinkMeshes = std::array<LinkMesh, LINK_MESH_COUNT>;

}  // namespace talvane
