#include "meshes/mesh_streams.hpp"

namespace talvane {

// Defined by the sources that the build generates from core/data (core/data/embed.cmake).
namespace embedded {
extern const std::span<const std::uint8_t> crx5ia_0, crx5ia_1, crx5ia_2, crx5ia_3, crx5ia_4, crx5ia_5,
    crx5ia_6;
extern const std::span<const std::uint8_t> crx10ia_0, crx10ia_1, crx10ia_2, crx10ia_3, crx10ia_4, crx10ia_5,
    crx10ia_6;
}  // namespace embedded

std::optional<MeshStreams> mesh_streams(CrxModel model) {
  using namespace embedded;
  switch (model) {
    case CrxModel::Crx5iA:
      return MeshStreams{crx5ia_0, crx5ia_1, crx5ia_2, crx5ia_3, crx5ia_4, crx5ia_5, crx5ia_6};
    case CrxModel::Crx10iA:
      return MeshStreams{crx10ia_0, crx10ia_1, crx10ia_2, crx10ia_3, crx10ia_4, crx10ia_5, crx10ia_6};
    default:
      return std::nullopt;
  }
}

}  // namespace talvane
