#include "fk.hpp"

namespace talvane {

Frames fk_all(const Crx& robot, const JointVector& joints) {
  const KinematicAngles theta = to_kinematic_angles(joints);
  const auto& axes = robot.axes();
  // The link offset that precedes each joint, in the frame before it (none before J1, J2, J4).
  const std::array<Vec3, 6> offsets{{
      {0.0, 0.0, 0.0},
      {0.0, 0.0, 0.0},
      {0.0, 0.0, robot.z1()},
      {0.0, 0.0, 0.0},
      {robot.x1(), -robot.y1(), 0.0},
      {robot.x2(), 0.0, 0.0},
  }};
  constexpr std::array<bool, 6> has_offset{false, false, true, false, true, true};

  Frames frames{};
  Quaternion q = IDENTITY_ROTATION;
  Vec3 p{0.0, 0.0, 0.0};
  for (std::size_t k = 0; k < 6; ++k) {
    if (has_offset[k]) {
      const Vec3 d = quaternion_rotate(q, offsets[k]);
      p = Vec3{p[0] + d[0], p[1] + d[1], p[2] + d[2]};
    }
    q = quaternion_multiply(q, axis_angle_quaternion(axes[k], theta[k]));
    if (k == 5) q = quaternion_multiply(q, FLANGE_ROTATION);
    frames[k] = Pose{q, p};
  }
  return frames;
}

Pose fk(const Crx& robot, const JointVector& joints) { return fk_all(robot, joints)[5]; }

Vec3 forearm_point(const Crx& robot, const JointVector& joints) {
  const Frames frames = fk_all(robot, joints);
  const Vec3 axis = quaternion_rotate(frames[2].rotation, Vec3{1.0, 0.0, 0.0});
  const Vec3& e = frames[2].translation;
  return Vec3{e[0] + robot.x1() * axis[0], e[1] + robot.x1() * axis[1], e[2] + robot.x1() * axis[2]};
}

}  // namespace talvane
