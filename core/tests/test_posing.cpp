#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "fk.hpp"
#include "meshes/posing.hpp"

namespace talvane {
namespace {

// A small mesh with signed zeros and coordinates of several magnitudes.
LinkMesh sample_mesh() {
  std::mt19937_64 engine(42);
  std::uniform_real_distribution<double> coordinate(-400.0, 400.0);
  LinkMesh mesh;
  mesh.vertices = {{-0.0, 0.0, -0.0}, {0.0, -0.0, 0.0}, {-0.0, -0.0, -0.0}, {1e-300, -3.5, 1e6}};
  for (int i = 0; i < 60; ++i)
    mesh.vertices.push_back({coordinate(engine), coordinate(engine), coordinate(engine)});
  for (std::uint32_t i = 0; i + 2 < mesh.vertices.size(); ++i) mesh.faces.push_back({i, i + 1, i + 2});
  return mesh;
}

TEST(TransformMesh, IdentityKeepsVerticesAndClearsNegativeZero) {
  const LinkMesh mesh = sample_mesh();
  const LinkMesh moved = transform_mesh(mesh, IDENTITY_POSE);
  EXPECT_EQ(moved, mesh);  // == treats −0 and +0 as equal; the sign is checked next
  for (const Vec3& vertex : moved.vertices) {
    for (double value : vertex) {
      if (value == 0.0) {
        EXPECT_FALSE(std::signbit(value));
      }
    }
  }
}

TEST(TransformMesh, PureTranslationAddsExactly) {
  const LinkMesh mesh = sample_mesh();
  const Vec3 t{123.456, -0.001, 987654.321};
  const LinkMesh moved = transform_mesh(mesh, Pose{IDENTITY_ROTATION, t});
  ASSERT_EQ(moved.vertices.size(), mesh.vertices.size());
  for (std::size_t v = 0; v < mesh.vertices.size(); ++v) {
    for (std::size_t a = 0; a < 3; ++a) EXPECT_EQ(moved.vertices[v][a], mesh.vertices[v][a] + t[a]);
  }
  EXPECT_EQ(moved.faces, mesh.faces);
}

TEST(TransformMesh, AgreesWithTheMatrixFormAndLeavesTheInputAlone) {
  const LinkMesh mesh = sample_mesh();
  const LinkMesh original = mesh;
  const Pose pose = fk(Crx::crx10ia(), {45, -20, 40, 60, 30, 90});
  const Matrix4 m = pose_to_matrix(pose);
  const LinkMesh moved = transform_mesh(mesh, pose);
  EXPECT_EQ(mesh, original);
  EXPECT_EQ(moved.faces, mesh.faces);
  ASSERT_EQ(moved.vertices.size(), mesh.vertices.size());
  for (std::size_t v = 4; v < mesh.vertices.size(); ++v) {
    const Vec3& p = mesh.vertices[v];
    for (std::size_t r = 0; r < 3; ++r) {
      const double expected = m[4 * r] * p[0] + m[4 * r + 1] * p[1] + m[4 * r + 2] * p[2] + m[4 * r + 3];
      EXPECT_NEAR(moved.vertices[v][r], expected, 1e-9) << "vertex " << v << ", axis " << r;
    }
  }
}

TEST(TransformMesh, EmptyMeshStaysEmpty) {
  const LinkMesh moved = transform_mesh(LinkMesh{}, fk(Crx::crx5ia(), {10, 20, 30, 40, 50, 60}));
  EXPECT_TRUE(moved.vertices.empty());
  EXPECT_TRUE(moved.faces.empty());
}

TEST(Poses, BaseIsIdentityThenTheFramesOfFkAll) {
  const JointVector joints{45, -20, 40, 60, 30, 90};
  for (const Crx& robot : {Crx::crx5ia(), Crx::crx10ia(), Crx::from_params(300, 200, 0, 0)}) {
    const MeshPoses mesh_poses = poses(robot, joints);
    const Frames frames = fk_all(robot, joints);
    EXPECT_EQ(mesh_poses[0], IDENTITY_POSE);
    for (std::size_t i = 1; i < LINK_MESH_COUNT; ++i) EXPECT_EQ(mesh_poses[i], frames[i - 1]) << "pose " << i;
    EXPECT_EQ(mesh_poses[6], fk(robot, joints));
  }
}

TEST(Posed, EachMeshMovedByItsOwnPose) {
  LinkMeshes meshes;
  for (std::size_t i = 0; i < LINK_MESH_COUNT; ++i) {
    meshes[i] = sample_mesh();
    meshes[i].vertices.resize(10 + 5 * i);  // distinct meshes, so a mix-up of indices shows
    meshes[i].faces.resize(5 + i);
  }
  // Geometry of one model on the kinematics of another.
  const Crx robot = Crx::crx30ia();
  const JointVector joints{0, 30, -30, 0, -90, 0};
  const MeshPoses mesh_poses = poses(robot, joints);
  const LinkMeshes moved = posed(meshes, robot, joints);
  for (std::size_t i = 0; i < LINK_MESH_COUNT; ++i) {
    EXPECT_EQ(moved[i], transform_mesh(meshes[i], mesh_poses[i])) << "mesh " << i;
    EXPECT_EQ(moved[i].faces, meshes[i].faces);
  }
  EXPECT_EQ(moved[0], meshes[0]);
}

}  // namespace
}  // namespace talvane
