// Moving link meshes to their poses for a joint configuration.
#pragma once

#include <array>

#include "fk.hpp"
#include "meshes/link_mesh.hpp"
#include "pose.hpp"
#include "robot.hpp"

namespace talvane {

// The pose of each mesh: the identity for the base, then frames 0 to 5 of fk_all.
using MeshPoses = std::array<Pose, LINK_MESH_COUNT>;

// A copy of `mesh` with every vertex rotated by the pose's quaternion and then translated; the
// faces are copied unchanged. With the identity pose the vertices come out equal (−0 as +0).
LinkMesh transform_mesh(const LinkMesh& mesh, const Pose& pose);

// The seven mesh poses for `robot` at `joints` (controller degrees); one fk_all.
MeshPoses poses(const Crx& robot, const JointVector& joints);

// Copies of the seven meshes, each moved by its pose; one fk_all. The robot need not be the model
// the meshes were made for.
LinkMeshes posed(const LinkMeshes& meshes, const Crx& robot, const JointVector& joints);

}  // namespace talvane
