#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

#include "meshes/load.hpp"

namespace talvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put_u32(Bytes& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void put_f64(Bytes& bytes, double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

// A one-triangle mesh stream whose x codes are `x0`, `x1`, `x2` (8 bits over a unit box): header
// "QRVT" version 2, kind Mesh, one plain item, one untransformed partition, a fixed-width index
// block naming vertices 0, 1, 2.
Bytes triangle_stream(std::uint8_t x0, std::uint8_t x1, std::uint8_t x2) {
  Bytes b{'Q', 'R', 'V', 'T', 2, 1, 0, 0};
  put_u32(b, 1);
  b.insert(b.end(), {0, 0, 3});
  put_u32(b, 1);
  for (double corner : {0.0, 0.0, 0.0, 1.0, 1.0, 1.0}) put_f64(b, corner);
  b.insert(b.end(), {0, 0, 0});
  put_u32(b, 3);
  b.insert(b.end(), {0, 8, 8, 8, x0, 0, 0, x1, 0, 0, x2, 0, 0, 3});
  put_u32(b, 1);
  b.insert(b.end(), {0, 2, 0b100100});
  return b;
}

MeshStreams spans_of(const std::vector<Bytes>& streams) {
  MeshStreams spans;
  for (std::size_t i = 0; i < LINK_MESH_COUNT; ++i) spans[i] = streams[i];
  return spans;
}

std::vector<Bytes> seven_triangles() {
  std::vector<Bytes> streams;
  for (std::uint8_t i = 0; i < LINK_MESH_COUNT; ++i) streams.push_back(triangle_stream(0, 40 * i, 255));
  return streams;
}

TEST(LoadStreams, DecodesSevenMeshesInIndexOrder) {
  const std::vector<Bytes> streams = seven_triangles();
  const LoadResult result = load_streams(spans_of(streams));
  ASSERT_TRUE(std::holds_alternative<LinkMeshes>(result)) << std::get<LoadError>(result).message;
  const LinkMeshes& meshes = std::get<LinkMeshes>(result);
  for (std::size_t i = 0; i < LINK_MESH_COUNT; ++i) {
    ASSERT_EQ(meshes[i].vertices.size(), 3u);
    EXPECT_EQ(meshes[i].vertices[1][0], 40.0 * static_cast<double>(i) / 255.0) << "mesh " << i;
    EXPECT_EQ(meshes[i].faces, (std::vector<MeshFace>{{0, 1, 2}}));
  }
}

TEST(LoadStreams, AnyDamagedStreamFailsTheWholeLoad) {
  for (std::size_t damaged = 0; damaged < LINK_MESH_COUNT; ++damaged) {
    std::vector<Bytes> streams = seven_triangles();
    streams[damaged][4] = 3;  // format version
    const LoadResult result = load_streams(spans_of(streams));
    ASSERT_TRUE(std::holds_alternative<LoadError>(result)) << "stream " << damaged;
    EXPECT_EQ(std::get<LoadError>(result).message, "unsupported quorvet format version 3");
  }
  std::vector<Bytes> streams = seven_triangles();
  streams[6].resize(10);  // cut inside the item count
  EXPECT_EQ(load_streams(spans_of(streams)), LoadResult{LoadError{"io error: failed to fill whole buffer"}});
  streams[6].clear();
  EXPECT_EQ(load_streams(spans_of(streams)), LoadResult{LoadError{"io error: failed to fill whole buffer"}});
}

TEST(Load, ModelsWithoutGeometry) {
  const std::pair<CrxModel, const char*> cases[] = {
      {CrxModel::Crx3iA, "Crx3iA"},
      {CrxModel::Crx10iAL, "Crx10iAL"},
      {CrxModel::Crx20iAL, "Crx20iAL"},
      {CrxModel::Crx30iA, "Crx30iA"},
  };
  for (const auto& [model, name] : cases) {
    EXPECT_FALSE(is_available(model)) << name;
    EXPECT_FALSE(mesh_streams(model)) << name;
    EXPECT_EQ(load(model),
              LoadResult{LoadError{std::string("No link meshes are embedded for the ") + name +
                                   ". Geometry is available for the Crx5iA and the Crx10iA only."}});
  }
  EXPECT_TRUE(is_available(CrxModel::Crx5iA));
  EXPECT_TRUE(is_available(CrxModel::Crx10iA));
}

struct EmbeddedModel {
  CrxModel model;
  std::array<std::pair<std::size_t, std::size_t>, LINK_MESH_COUNT> vertex_and_face_counts;
  std::size_t flange_face_vertices;  // vertices on the flange's z = 0 mating plane
};

class Embedded : public testing::TestWithParam<EmbeddedModel> {};

const LinkMeshes& loaded(const LoadResult& result) {
  if (const auto* error = std::get_if<LoadError>(&result)) ADD_FAILURE() << error->message;
  static const LinkMeshes none{};
  const auto* meshes = std::get_if<LinkMeshes>(&result);
  return meshes != nullptr ? *meshes : none;
}

TEST_P(Embedded, CountsOfEveryMesh) {
  const LoadResult result = load(GetParam().model);
  const LinkMeshes& meshes = loaded(result);
  for (std::size_t i = 0; i < LINK_MESH_COUNT; ++i) {
    EXPECT_EQ(meshes[i].vertices.size(), GetParam().vertex_and_face_counts[i].first) << "mesh " << i;
    EXPECT_EQ(meshes[i].faces.size(), GetParam().vertex_and_face_counts[i].second) << "mesh " << i;
  }
}

TEST_P(Embedded, FlangeFaceLiesOnTheZeroPlane) {
  const LoadResult result = load(GetParam().model);
  const LinkMesh& flange = loaded(result)[6];
  ASSERT_FALSE(flange.vertices.empty());
  double highest = flange.vertices.front()[2];
  for (const Vec3& vertex : flange.vertices) highest = std::max(highest, vertex[2]);
  EXPECT_EQ(highest, 0.0);
  const auto on_plane = std::count_if(flange.vertices.begin(), flange.vertices.end(),
                                      [](const Vec3& vertex) { return vertex[2] == 0.0; });
  EXPECT_EQ(static_cast<std::size_t>(on_plane), GetParam().flange_face_vertices);
}

TEST_P(Embedded, LoadsAreEqualAndIndependent) {
  LoadResult first = load(GetParam().model);
  const LoadResult second = load(GetParam().model);
  EXPECT_EQ(first, second);
  std::get<LinkMeshes>(first)[2].vertices[0][0] += 1.0;
  EXPECT_EQ(std::get<LinkMeshes>(second), std::get<LinkMeshes>(load(GetParam().model)));
}

TEST_P(Embedded, DamagedCopyOfAnyStreamFailsTheWholeLoad) {
  const MeshStreams embedded = *mesh_streams(GetParam().model);
  for (std::size_t damaged = 0; damaged < LINK_MESH_COUNT; ++damaged) {
    std::vector<Bytes> streams;
    for (const auto& stream : embedded) streams.emplace_back(stream.begin(), stream.end());
    streams[damaged][4] = 3;  // format version
    EXPECT_EQ(load_streams(spans_of(streams)), LoadResult{LoadError{"unsupported quorvet format version 3"}})
        << "stream " << damaged;
  }
}

INSTANTIATE_TEST_SUITE_P(Models, Embedded,
                         testing::Values(EmbeddedModel{CrxModel::Crx5iA,
                                                       {{{981, 1958},
                                                         {2983, 5671},
                                                         {6084, 11372},
                                                         {2381, 4379},
                                                         {2743, 5158},
                                                         {3078, 5784},
                                                         {1124, 2244}}},
                                                       82},
                                         EmbeddedModel{CrxModel::Crx10iA,
                                                       {{{986, 1968},
                                                         {3557, 6527},
                                                         {7408, 14100},
                                                         {6170, 11504},
                                                         {3184, 6045},
                                                         {3600, 6821},
                                                         {1573, 3142}}},
                                                       75}),
                         [](const testing::TestParamInfo<EmbeddedModel>& info) {
                           return info.param.model == CrxModel::Crx5iA ? "Crx5iA" : "Crx10iA";
                         });

}  // namespace
}  // namespace talvane
