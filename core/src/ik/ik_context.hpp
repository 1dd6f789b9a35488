// The per-call record of the inverse kinematics and the helpers every stage shares.
#pragma once

#include <array>

#include "angles.hpp"
#include "pose.hpp"
#include "robot.hpp"

namespace talvane {

// Quantities derived once per solve from the robot and the target. It refers to the robot, so the
// robot must outlive it.
struct IkContext {
  const Crx& robot;
  Pose target;
  // The J5 origin W = t − x2·ẑ: the centre of the circle of candidate forearm points.
  Vec3 wrist_center;
  // The target translation t.
  Vec3 flange_position;
  // The target's x and y axes: the plane of the wrist circle.
  Vec3 tool_x;
  Vec3 tool_y;
};

// Nothing is normalised or checked: the quaternion is taken as unit.
IkContext make_ik_context(const Crx& robot, const Pose& target);

// Flange pose of `joints` minus `target`: the nine rotation entries column by column
// (R00, R10, R20, R01, ..., R22), then the three translation differences in mm.
using PoseError = std::array<double, 12>;
PoseError pose_error(const Crx& robot, const JointVector& joints, const Pose& target);

// The same differences for a flange pose already computed (fk, or element 5 of fk_all, which is
// bit-identical to it).
PoseError flange_error(const Pose& flange, const Pose& target);

// The largest |eᵢ|; NaN as soon as any element is NaN, so that a NaN error can never pass a bound.
double max_abs_error(const PoseError& error);

// The largest circular distance, in radians, between two joint vectors given in degrees:
// max over joints of |wrap_angle((a − b)·π/180)|. A NaN difference does not count, so the result
// lies in [0, π] and whole turns count as no movement.
double circular_joint_distance(const JointVector& a, const JointVector& b);

// circular_joint_distance(a, b) + slack < limit, with the same rounding, but stopping at the first
// joint that is already too far: for two different configurations that is nearly always J1, which
// spares the other five wraps in the duplicate checks.
bool within_circular_distance(const JointVector& a, const JointVector& b, double limit, double slack = 0.0);

}  // namespace talvane
