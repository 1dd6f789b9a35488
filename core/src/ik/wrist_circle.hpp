// The circle of candidate forearm points and the scalar constraint whose zeros are the IK solutions.
//
// The target fixes the J5 origin O and the plane of the J5 axis (perpendicular to the flange z
// axis). The point of the forearm axis nearest O therefore lies on the circle of radius y1 around O
// in the plane of the target's x and y axes; θ is measured from the x axis towards the y axis.
#pragma once

#include "ik/ik_context.hpp"
#include "ik/roots/trig_polynomial.hpp"

namespace talvane {

// N(θ) = cos θ·x_tool + sin θ·y_tool: the direction of the J5 axis (up to sign) at θ.
Vec3 offset_direction(const IkContext& ctx, double theta);

// P(θ) = O + y1·N(θ).
Vec3 circle_point(const IkContext& ctx, double theta);

// The same point from an already computed N(θ), saving a sine and cosine.
Vec3 circle_point_at(const IkContext& ctx, const Vec3& offset_direction);

// F(θ) = |V|² − D², dimensionless, where e = V/D is the elbow (in units of z1) that lies in the arm
// plane, at distance x1 from P and with the forearm perpendicular to N. F = 0 where that elbow has
// unit length, so an arm configuration exists at θ; F also vanishes where V and D vanish together.
// A trigonometric polynomial of degree ≤ 4 in θ.
double circle_constraint(const IkContext& ctx, double theta);

// F interpolated exactly from 16 samples by a discrete Fourier transform.
TrigPolynomial interpolate_constraint(const IkContext& ctx);

}  // namespace talvane
