// Candidates that the ordinary circle search misses at singular and special poses.
//
// The ordinary search trusts the constraint's roots. They are ill-conditioned where the arm is in
// line (stretched or folded: F has a double or quadruple root) and where the forearm point passes
// close to the J1 axis or the shoulder (the branch residuals turn with P's azimuth much faster than
// F's coefficients can resolve). There the solutions are taken from the geometry instead: the
// in-line configurations on the reach boundary in closed form, and the zeros of the branch
// residuals themselves, scanned around every root near the axis and every cluster of roots, sign
// changes and touching zeros alike, beyond a cluster where a zero crossed with a small slope points
// to a partner, and around the eigenvalue of a root that the polish carried away along a flat F.
// Where the wrist circle is centred on the J1 axis, F vanishes identically and its family's member
// is added (ik/coaxial_circle.hpp). Every candidate is a verified zero, an in-line configuration or
// that member; the pipeline's residual check decides, as for the others.
#pragma once

#include <vector>

#include "ik/circle_candidates.hpp"

namespace talvane {

struct HardPoseCandidates {
  std::vector<CircleCandidate> candidates;
  // Those in [folded_begin, folded_end) lie on the folded boundary of the reach or next to it: the
  // arm nearly folded in line, where its Jacobian is singular.
  std::size_t folded_begin = 0;
  std::size_t folded_end = 0;
};

// Regular candidates not already among `search.candidates`; none for an ordinary target.
HardPoseCandidates hard_pose_candidates(const IkContext& ctx, const CircleSearch& search);

// Regular candidates at the minima of the branch residuals next to a special angle theta with P in
// the shoulder band, which the searches above leave to the family's member there (inside the J1
// axis's band a minimum only repeats it): for when that member stalls short of the target.
std::vector<CircleCandidate> shoulder_band_minima(const IkContext& ctx, double theta);

}  // namespace talvane
