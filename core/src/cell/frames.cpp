#include "cell/frames.hpp"

namespace talvane {
namespace {

// Composing with the identity can turn a −0.0 into 0.0, so identity frames are skipped: a cell
// without frames then hands the solver exactly the caller's pose.
Pose compose_unless_identity(const Pose& a, const Pose& b) {
  if (a == IDENTITY_POSE) return b;
  if (b == IDENTITY_POSE) return a;
  return compose(a, b);
}

}  // namespace

Pose invert_pose(const Pose& pose) {
  const Quaternion conjugate{-pose.rotation.i, -pose.rotation.j, -pose.rotation.k, pose.rotation.w};
  const Vec3 back = quaternion_rotate(conjugate, pose.translation);
  return Pose{conjugate, {-back[0], -back[1], -back[2]}};
}

Pose tcp_from_flange(const CellFrames& frames, const Pose& flange) {
  const Pose world_tcp = compose_unless_identity(flange, frames.tool);
  if (frames.user_frame == IDENTITY_POSE) return world_tcp;
  return compose(invert_pose(frames.user_frame), world_tcp);
}

Pose flange_from_tcp(const CellFrames& frames, const Pose& tcp) {
  const Pose world_tcp = compose_unless_identity(frames.user_frame, tcp);
  if (frames.tool == IDENTITY_POSE) return world_tcp;
  return compose(world_tcp, invert_pose(frames.tool));
}

}  // namespace talvane
