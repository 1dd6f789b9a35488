#include "meshes/posing.hpp"

namespace talvane {

LinkMesh transform_mesh(const LinkMesh& mesh, const Pose& pose) {
  LinkMesh moved{mesh.vertices, mesh.faces};
  const Vec3& t = pose.translation;
  for (Vec3& p : moved.vertices) {
    // quaternion_rotate yields (w·c + d) + p with c = 2(u × p) and d = u × c, summed left to
    // right; adding t last completes ((w·c + d) + p) + t. Keeping that order, rather than R·p + t,
    // makes the identity pose return every vertex unchanged and a pure translation add exactly
    // (the final + t also turns a −0 coordinate into +0).
    const Vec3 r = quaternion_rotate(pose.rotation, p);
    p = Vec3{r[0] + t[0], r[1] + t[1], r[2] + t[2]};
  }
  return moved;
}

MeshPoses poses(const Crx& robot, const JointVector& joints) {
  const Frames frames = fk_all(robot, joints);
  return MeshPoses{IDENTITY_POSE, frames[0], frames[1], frames[2], frames[3], frames[4], frames[5]};
}

LinkMeshes posed(const LinkMeshes& meshes, const Crx& robot, const JointVector& joints) {
  const MeshPoses mesh_poses = poses(robot, joints);
  LinkMeshes moved;
  for (std::size_t index = 0; index < LINK_MESH_COUNT; ++index) {
    moved[index] = transform_mesh(meshes[index], mesh_poses[index]);
  }
  return moved;
}

}  // namespace talvane
