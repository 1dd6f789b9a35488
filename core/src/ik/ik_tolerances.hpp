// The tolerances several stages of the inverse kinematics share, each defined once with the reason
// for its value. Stage-specific ones stay with their stage.
#pragma once

namespace talvane {

// A share of z1: a point closer than this to the J1 axis lies on it (its azimuth gives no arm
// plane), one closer to the shoulder is at it. Large against the rounding of millimetre-scale
// coordinates (1e-13 mm), small against any reach that matters.
inline constexpr double AXIS_TOLERANCE = 1e-6;

// A share of z1 for the searches of hard poses, which also look inside that band: down to here
// P's azimuth is still well defined in floating point, and a solution can have P a hair outside the
// band while the angle a search lands on has it a hair inside.
inline constexpr double NEAR_AXIS_SHARE = 1e-9;

// A Newton step on an angle of order one below this is its last bit: further steps cannot improve it.
inline constexpr double SETTLED_STEP = 1e-15;

// Angles (roots, special angles) closer than this are one: above the last-bit jitter of polishing,
// far below the spacing of distinct zeros of a degree-4 trigonometric polynomial.
inline constexpr double MERGE_DISTANCE = 1e-9;

// The Newton iterations on angles (special angles, root polishing) converge quadratically from
// their starts; 20 steps bound the bad cases.
inline constexpr int MAX_NEWTON_STEPS = 20;

// A branch residual (a cosine) at most this is a zero: the joint polishing removes what remains.
inline constexpr double VERIFIED_RESIDUAL = 1e-9;

// A share of z1²: an elbow out of reach by h² down to −this·z1² is taken with h = 0, the arm
// stretched or folded, where rounding leaves a reachable target a hair out of reach.
inline constexpr double REACH_SLACK = 1e-6;

// The joint polishing stops below this largest pose-error element: a few ulps of millimetre-scale
// coordinates, four orders below the acceptance bound.
inline constexpr double CONVERGED_ERROR = 1e-12;

// No polishing step turns a joint by more than this many degrees: beyond it the linear model that
// computed the step is not trusted.
inline constexpr double MAX_STEP_DEGREES = 10.0;

}  // namespace talvane
