#include "ik/pose_error_jacobian.hpp"

#include <Eigen/Geometry>

#include "fk.hpp"
#include "ik/eigen_vector.hpp"

namespace talvane {

PoseErrorJacobian pose_error_jacobian(const Crx& robot, const JointVector& joints) {
  return pose_error_jacobian(robot, fk_all(robot, joints));
}

PoseErrorJacobian pose_error_jacobian(const Crx& robot, const Frames& frames) {
  const Matrix4 flange = pose_to_matrix(frames[5]);
  const Eigen::Vector3d p = as_eigen(frames[5].translation);
  PoseErrorJacobian kinematic;
  for (int k = 0; k < 6; ++k) {
    // The joint's axis turned by the frame before it, through the origin of its own frame.
    const Vec3& local_axis = robot.axes()[k];
    const Eigen::Vector3d axis =
        as_eigen(k == 0 ? local_axis : quaternion_rotate(frames[k - 1].rotation, local_axis));
    const Eigen::Vector3d origin = as_eigen(frames[k].translation);
    for (int col = 0; col < 3; ++col) {
      const Eigen::Vector3d r(flange[col], flange[4 + col], flange[8 + col]);
      kinematic.col(k).segment<3>(3 * col) = axis.cross(r);
    }
    kinematic.col(k).segment<3>(9) = axis.cross(p - origin);
  }
  PoseErrorJacobian controller = kinematic;
  controller.col(1) = kinematic.col(1) + kinematic.col(2);
  return controller * DEG_TO_RAD;
}

}  // namespace talvane
