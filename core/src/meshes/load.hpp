// Decoding a model's embedded meshes.
#pragma once

#include <string>
#include <variant>

#include "meshes/link_mesh.hpp"
#include "meshes/mesh_streams.hpp"
#include "robot.hpp"

namespace talvane {

// Why a load failed, as the text shown to the caller.
struct LoadError {
  std::string message;
  friend bool operator==(const LoadError&, const LoadError&) = default;
};

using LoadResult = std::variant<LinkMeshes, LoadError>;

// Decodes the seven embedded meshes of `model` afresh (nothing is cached). Fails with "No link
// meshes are embedded for the {model}. ..." for a model without geometry, or with the display
// text of the first stream that does not decode; a failed load returns no meshes at all.
LoadResult load(CrxModel model);

// Whether `model` has embedded geometry; decodes nothing.
bool is_available(CrxModel model);

// The decoding half of `load`, over any seven streams (so that damaged data can be tested).
LoadResult load_streams(const MeshStreams& streams);

}  // namespace talvane
