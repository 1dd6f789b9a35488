// Joint vectors in closed form from a circle candidate's elbow and forearm point.
#pragma once

#include <array>
#include <optional>

#include "ik/ik_context.hpp"

namespace talvane {

// The configuration whose J1 faces P (or, with P on the J1 axis, the elbow; J1 = 0 when neither
// gives an azimuth), then its twin with J1 turned by a half turn, J2 mirrored, the forearm angle
// π − α and J4 turned by a half turn. Controller degrees: J1, J2, J4, J5, J6 in [−180, 180); J3 is
// a difference of two wrapped angles and may lie anywhere in (−360, 360).
//
// `theta` is the candidate's circle angle. Where the arm's lateral offset y1 is too short to give
// the J5 axis's direction as W − P, N(θ) gives it; where x2 is too short to give the J6 axis's as
// the flange position less W, the target's z axis does. The catalogued arms use neither.
std::array<JointVector, 2> reconstruct_joints(const IkContext& ctx, const Vec3& elbow,
                                              const Vec3& circle_point, double theta);

// The same with J1 given (radians) instead of taken from the points: for the restarts of special
// candidates, whose J1 the points do not fix.
std::array<JointVector, 2> reconstruct_joints_at(const IkContext& ctx, const Vec3& elbow,
                                                 const Vec3& circle_point, double theta, double j1);

// The same with J1 facing P, wherever P is off the J1 axis at all (even inside the 1e-6·z1 band,
// where reconstruct_joints would take J1 from an elbow on the axis, or set it to 0); nothing with P
// exactly on the axis. For the restarts of special candidates, whose J1 the points leave open.
std::optional<std::array<JointVector, 2>> reconstruct_joints_facing_p(const IkContext& ctx, const Vec3& elbow,
                                                                      const Vec3& circle_point, double theta);

// For the candidates of the searches of hard poses, which build the elbow in the plane of P's
// azimuth wherever P is off the J1 axis at all: reconstruct_joints_facing_p, or reconstruct_joints
// with P exactly on the axis.
std::array<JointVector, 2> reconstruct_joints_in_plane_of_p(const IkContext& ctx, const Vec3& elbow,
                                                            const Vec3& circle_point, double theta);

}  // namespace talvane
