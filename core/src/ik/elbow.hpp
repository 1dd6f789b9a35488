// The elbow (J3 origin) for a forearm point, and the branch residual that the candidate
// refinement drives to zero.
#pragma once

#include <optional>

#include "ik/ik_context.hpp"
#include "ik/ik_tolerances.hpp"

namespace talvane {

// What the elbow's construction needs of a forearm point P, whichever the branch: its distance ρ
// from the J1 axis (std::hypot), its distance |P| from the shoulder, the elbow's projection f on the
// shoulder-to-P line and the square of the elbow's distance h from that line.
struct ArmTriangle {
  double rho;
  double length;
  double f;
  double h_squared;
};
ArmTriangle arm_triangle(const IkContext& ctx, const Vec3& p);

// The elbow of branch `sign` in the arm plane, for P at height pz: its distance from the J1 axis
// (signed, along P's azimuth) and its height, with h² below zero taken as 0. Needs |P| > 0.
struct ElbowInPlane {
  double radial;
  double height;
};
ElbowInPlane elbow_in_plane(const ArmTriangle& t, double pz, double sign);

// Sign s = +1 puts the elbow on the side of the shoulder-to-P line towards +z, −1 on the other.
// The tolerance factor τ (0 or REACH_SLACK) admits h² down to −τ·z1² as h = 0. Nothing when P lies on
// the J1 axis (the arm plane is undetermined) or out of reach.
std::optional<Vec3> elbow_for(const IkContext& ctx, const Vec3& p, double sign, double tolerance_factor);

// The same with another share of z1 below which P counts as on the J1 axis: the searches of hard
// poses look inside the 1e-6·z1 band too, where P's azimuth is still well defined in floating point.
// The searches use NEAR_AXIS_SHARE (ik/ik_tolerances.hpp).
std::optional<Vec3> elbow_off_axis(const IkContext& ctx, const Vec3& p, double sign, double tolerance_factor,
                                   double axis_share);

// g_s(θ) = ((E − P)·N)/x1, the cosine between the forearm and the offset direction: zero on a
// solution of branch s. Not valid when P is on the J1 axis, at the shoulder, or out of reach.
struct BranchResidual {
  bool valid;
  double value;
};
BranchResidual branch_residual(const IkContext& ctx, double theta, double sign);
BranchResidual branch_residual_off_axis(const IkContext& ctx, double theta, double sign, double axis_share);
// The same at the offset direction N = offset_direction(ctx, θ), for callers that need N too.
BranchResidual branch_residual_along(const IkContext& ctx, const Vec3& n, double sign, double axis_share);
// The same given P = circle_point_at(ctx, N) as well.
BranchResidual branch_residual_at(const IkContext& ctx, const Vec3& n, const Vec3& p, double sign,
                                  double axis_share);
// Both branches' residuals at once, g_+ then g_−, bit for bit what two calls of branch_residual_at
// give, from the arm triangle of P = circle_point_at(ctx, N): the scans evaluate both at every
// sample, and most of the work is common to them.
struct BranchResiduals {
  BranchResidual plus;
  BranchResidual minus;
};
BranchResiduals branch_residuals_of(const IkContext& ctx, const Vec3& n, const Vec3& p, const ArmTriangle& t,
                                    double axis_share);

}  // namespace talvane
