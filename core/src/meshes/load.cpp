#include "meshes/load.hpp"

#include <array>
#include <utility>

#include "decode_mesh.hpp"

namespace talvane {
namespace {

LoadError no_geometry(CrxModel model) {
  return LoadError{std::string("No link meshes are embedded for the ") + crx_model_name(model) +
                   ". Geometry is available for the Crx5iA and the Crx10iA only."};
}

}  // namespace

LoadResult load_streams(const MeshStreams& streams) {
  LinkMeshes meshes;
  for (std::size_t index = 0; index < LINK_MESH_COUNT; ++index) {
    auto item = codec::decode_mesh(streams[index]);
    if (!item) return LoadError{item.error().display()};
    // The item's name and metadata are not part of a link mesh.
    codec::MeshItem decoded = std::move(item).value();
    meshes[index] = LinkMesh{std::move(decoded.vertices), std::move(decoded.faces)};
  }
  return meshes;
}

LoadResult load(CrxModel model) {
  const auto streams = mesh_streams(model);
  if (!streams) return no_geometry(model);
  return load_streams(*streams);
}

bool is_available(CrxModel model) { return mesh_streams(model).has_value(); }

}  // namespace talvane
