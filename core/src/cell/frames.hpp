// The frames of a cell: the TCP in the flange frame (UTOOL) and the user frame in the robot's
// world (UFRAME), and the conversions between flange poses and TCP poses they define.
#pragma once

#include "pose.hpp"

namespace talvane {

struct CellFrames {
  Pose tool = IDENTITY_POSE;
  Pose user_frame = IDENTITY_POSE;
};

// The inverse transform: conjugate rotation, translation −Rᵀ·t.
Pose invert_pose(const Pose& pose);

// The TCP in the user frame for a flange pose in the world: inv(UFRAME)·flange·UTOOL.
Pose tcp_from_flange(const CellFrames& frames, const Pose& flange);

// The flange pose in the world that puts the TCP at `tcp` (in the user frame):
// UFRAME·tcp·inv(UTOOL).
Pose flange_from_tcp(const CellFrames& frames, const Pose& tcp);

}  // namespace talvane
