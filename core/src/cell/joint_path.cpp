#include "cell/joint_path.hpp"

#include "cell/closest_configuration.hpp"

namespace talvane {

JointPath walk_path(const Cell& cell, std::span<const Pose> tcp_poses, const JointVector& start,
                    double max_step) {
  JointPath path;
  path.joints.reserve(tcp_poses.size());
  JointVector previous = start;
  for (std::size_t i = 0; i < tcp_poses.size(); ++i) {
    const std::optional<JointVector> next = cell_ik_closest(cell, tcp_poses[i], previous);
    if (!next) {
      path.joints.clear();
      path.failure = PathBreak{PathBreak::Reason::NoConfiguration, i, 0, 0.0};
      return path;
    }
    const JointDifference move = largest_joint_difference(previous, *next);
    if (move.degrees > max_step) {
      path.joints.clear();
      path.failure = PathBreak{PathBreak::Reason::StepTooLarge, i, move.joint, move.degrees};
      return path;
    }
    path.joints.push_back(*next);
    previous = *next;
  }
  return path;
}

}  // namespace talvane
