// Candidates for an arm without lateral offset.
//
// With y1 = 0 the wrist circle is a single point: P is the J5 origin W, and the circle angle no
// longer moves it. The circle search then has nothing to find. The minima of P's distance from the
// J1 axis that give its special angles do not exist (every angle is special or none is), and at the
// poses where every angle satisfies the constraint (the arm stretched or folded with the wrist
// straight) its polynomial vanishes. Here the arm is solved from P directly and the angle from the
// forearm: N(θ) must be perpendicular to it.
#pragma once

#include <vector>

#include "ik/circle_candidates.hpp"
#include "ik/ik_context.hpp"

namespace talvane {

// Exactly zero: a lateral offset of any length moves P with the angle, and the circle search
// handles it.
bool has_zero_offset(const Crx& robot);

// For each elbow of P = W (the two of the arm triangle in the vertical plane through P, or in the
// plane J1 = 0 with P exactly on the J1 axis; the horizontal one as well with P within the band of
// the shoulder of an arm with z1 = x1), the two angles θ and θ + π whose N(θ) is perpendicular to
// the forearm.
std::vector<CircleCandidate> zero_offset_candidates(const IkContext& ctx);

}  // namespace talvane
