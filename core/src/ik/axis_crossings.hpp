// The circle angles at which the forearm point lies on the J1 axis, where the arm plane is
// undetermined, and the elbows that remain possible there.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "ik/cos_sin_equation.hpp"
#include "ik/ik_context.hpp"

namespace talvane {

// Minima of the circle point's horizontal distance from the J1 axis that reach the axis (within
// 1e-6·z1), in [−π, π), in the order of the 16 Newton starts that found them. Empty when the circle
// stays farther than 2e-6·z1 from the axis.
std::vector<double> special_angles(const IkContext& ctx);

// With the forearm point at the shoulder: an elbow on the sphere of radius z1 = x1 with the forearm
// perpendicular to N(θ). Nothing unless |z1 − x1| ≤ 1e-6·z1.
std::optional<Vec3> shoulder_elbow(const IkContext& ctx, double theta);

// With the forearm point on the J1 axis: the elbows on the horizontal circle around it for which
// the forearm is perpendicular to N(θ). Empty when none or every point of the circle qualifies.
std::vector<Vec3> axis_elbows(const IkContext& ctx, double theta);

// The same for P inside the shoulder band but off the shoulder (a hair above or below it): there
// the family exists only approximately, and these elbows give the isolated solutions the target
// actually has. Empty with P exactly at the shoulder.
std::vector<Vec3> axis_elbows_off_shoulder(const IkContext& ctx, double theta);

}  // namespace talvane
