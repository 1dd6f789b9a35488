// Joint limits of a cell, in controller degrees, all inclusive: a stroke per joint and the
// vendor's J2/J3 interaction limit, stated on J2 + J3 (the relative elbow angle).
#pragma once

#include <optional>
#include <string>

#include "robot.hpp"

namespace talvane {

struct Strokes {
  JointVector lower;
  JointVector upper;
};

struct Interval {
  double low;
  double high;
};

struct JointLimits {
  std::optional<Strokes> strokes;
  std::optional<Interval> j2_plus_j3;
};

// Whole-turn copies of a joint are only enumerated within a stroke this wide (three turns), so
// one solution gives at most 4⁶ configurations.
inline constexpr double MAX_STROKE_WIDTH = 1080.0;

// Why the limits cannot be used, or nothing when they can: a non-finite limit, a lower limit above
// its upper one, a stroke wider than MAX_STROKE_WIDTH, or a J2 + J3 range without strokes (which
// would admit endless pairs of opposite whole turns of J2 and J3).
std::optional<std::string> limits_error(const JointLimits& limits);

// True when every limit holds for `joints`; always true without limits.
bool within_limits(const JointLimits& limits, const JointVector& joints);

}  // namespace talvane
