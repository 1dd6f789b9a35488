// Whether a solution list covers a generating joint vector: some row within DUPLICATE_DISTANCE of
// it in every joint (whole turns ignored), or joined to it by a straight joint-space segment, in
// wrapped differences, that stays within MAX_RESIDUAL of the target at every checked point. The
// second form is for numerically flat valleys, where a solver may stop anywhere along the valley.
#pragma once

#include <cmath>
#include <vector>

#include "fk.hpp"
#include "ik/ik_context.hpp"
#include "ik/solve_ik.hpp"

namespace talvane::testing_support {

// Points checked on a segment, both ends included.
inline constexpr int SEGMENT_POINTS = 65;

inline double wrapped_degrees(double d) { return wrap_angle(d * DEG_TO_RAD) / DEG_TO_RAD; }

inline bool segment_reaches(const Crx& robot, const JointVector& from, const JointVector& to,
                            const Pose& target) {
  for (int k = 0; k < SEGMENT_POINTS; ++k) {
    const double t = static_cast<double>(k) / (SEGMENT_POINTS - 1);
    JointVector q;
    for (int j = 0; j < 6; ++j) q[j] = from[j] + t * wrapped_degrees(to[j] - from[j]);
    if (!(max_abs_error(pose_error(robot, q, target)) <= MAX_RESIDUAL)) return false;
  }
  return true;
}

inline bool covers(const Crx& robot, const std::vector<IkSolution>& solutions, const JointVector& q,
                   const Pose& target) {
  for (const IkSolution& s : solutions) {
    if (circular_joint_distance(s.joints, q) < DUPLICATE_DISTANCE) return true;
  }
  for (const IkSolution& s : solutions) {
    if (segment_reaches(robot, s.joints, q, target)) return true;
  }
  return false;
}

// P within 1e-6·z1 of the shoulder or of the J1 axis: there q may be one member of a continuous
// family, and only some member need be listed.
inline bool in_family_band(const Crx& robot, const JointVector& q) {
  const Vec3 p = forearm_point(robot, q);
  const double tol = 1e-6 * robot.z1();
  return std::hypot(p[0], p[1]) <= tol || std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]) <= tol;
}

}  // namespace talvane::testing_support
