// The derivative of the pose error with respect to the controller joints, shared by both polishers.
#pragma once

#include <Eigen/Core>

#include "fk.hpp"
#include "ik/ik_context.hpp"

namespace talvane {

using PoseErrorJacobian = Eigen::Matrix<double, 12, 6>;
// A step in the six controller joints, and the pose error it acts on, as Eigen vectors.
using StepVector = Eigen::Matrix<double, 6, 1>;
using ErrorVector = Eigen::Matrix<double, 12, 1>;

// d(pose_error)/d(controller joint), per degree, rows in pose_error's order. Each kinematic column
// is the rotation about the joint's line in the base frame; controller J2 moves kinematic joints 2
// and 3 together, because the kinematic third angle is J2 + J3.
PoseErrorJacobian pose_error_jacobian(const Crx& robot, const JointVector& joints);

// The same from the frames of fk_all already computed for those joints.
PoseErrorJacobian pose_error_jacobian(const Crx& robot, const Frames& frames);

}  // namespace talvane
