// Candidates for a wrist circle centred on the J1 axis in a horizontal plane.
//
// With the J5 origin W on the J1 axis and the flange's z axis along it, turning the whole arm about
// the J1 axis carries P around the wrist circle and turns the flange about its own z axis, which J6
// turns back. Every circle angle is then a solution or none is: the constraint vanishes identically
// (to rounding), and the circle search has no roots to find. Such a target is reached by a
// one-parameter family, (J1 + d, J2, J3, J4, J5, J6 ± d) with + where the flange's z axis points up,
// which exists where the elbow can stand above or below P: on every CRX, with the upper arm y1 from
// the J1 axis and the forearm vertical.
#pragma once

#include <vector>

#include "ik/circle_candidates.hpp"
#include "ik/ik_context.hpp"

namespace talvane {

// W within AXIS_TOLERANCE·z1 of the J1 axis and the flange's z axis within AXIS_TOLERANCE (radians,
// about) of it.
bool circle_is_coaxial(const IkContext& ctx);

// The family's members with J1 = 0 (P at azimuth 0), one per elbow of the arm triangle, as
// SingularFamily candidates; nothing unless the circle is coaxial.
std::vector<CircleCandidate> coaxial_circle_candidates(const IkContext& ctx);

}  // namespace talvane
