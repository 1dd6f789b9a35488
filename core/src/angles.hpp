// Angle units and the small angle helpers every part of the kinematics shares.
#pragma once

namespace talvane {

// π/180 and 180/π as float64: controller degrees to kinematic radians and back. Written out, not
// computed, because every result is specified to the last bit with exactly these values.
inline constexpr double DEG_TO_RAD = 0.017453292519943295;
inline constexpr double RAD_TO_DEG = 57.29577951308232;

// The equivalent angle in [−π, π): fmod(x + π, 2π), plus 2π if negative, minus π.
double wrap_angle(double x);

// Whether |wrap_angle(a − b)| < limit, decided from a − b itself (less a whole turn, if it is
// more than half of one) where that is below 3π and away from the limit: wrapping moves such a
// difference by a few ulps of π at most, and the fmod it needs is by far the dearest part of the
// many comparisons the searches make.
bool angles_within(double a, double b, double limit);

// +1, −1, or 0 for zero (and NaN).
inline double sign_of(double v) { return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0); }

}  // namespace talvane
