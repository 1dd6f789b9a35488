// Forward kinematics: the six frames of the chain for a joint configuration.
#pragma once

#include <array>

#include "pose.hpp"
#include "robot.hpp"

namespace talvane {

// The rotation appended after J6: flange z along the last link's +x, flange x along its +z.
// A rotation by π about (1, 0, 1)/√2 as evaluated in float64, so w is cos(π/2), not 0.
inline constexpr Quaternion FLANGE_ROTATION{0.7071067811865476, 0.0, 0.7071067811865476,
                                            6.123233995736766e-17};

// Frame 0 (link 1) to frame 5 (the flange). Link mesh i (1..6) moves with frame i − 1.
using Frames = std::array<Pose, 6>;

Frames fk_all(const Crx& robot, const JointVector& joints);

// The flange pose; identical to element 5 of fk_all.
Pose fk(const Crx& robot, const JointVector& joints);

// The forearm point P: the point of the J4 axis at distance x1 from the J3 origin (the elbow).
Vec3 forearm_point(const Crx& robot, const JointVector& joints);

}  // namespace talvane
