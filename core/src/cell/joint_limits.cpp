#include "cell/joint_limits.hpp"

#include <charconv>
#include <cmath>

namespace talvane {
namespace {

// The shortest text that reads back as the same double ("10", "-62.7", "nan").
std::string number_text(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  return std::string(buffer, result.ptr);
}

std::string joint_name(std::size_t j) { return "J" + std::to_string(j + 1); }

std::optional<std::string> stroke_error(const Strokes& strokes) {
  for (std::size_t j = 0; j < strokes.lower.size(); ++j) {
    const double lower = strokes.lower[j];
    const double upper = strokes.upper[j];
    if (!std::isfinite(lower) || !std::isfinite(upper)) {
      return "the limits of " + joint_name(j) + " must be finite, got " + number_text(lower) + " to " +
             number_text(upper);
    }
    if (lower > upper) {
      return "the lower limit of " + joint_name(j) + " (" + number_text(lower) +
             ") is above its upper limit (" + number_text(upper) + ")";
    }
    if (upper - lower > MAX_STROKE_WIDTH) {
      return "the stroke of " + joint_name(j) + " spans " + number_text(upper - lower) +
             " degrees; at most 1080 (three turns) is supported";
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> limits_error(const JointLimits& limits) {
  if (limits.strokes) {
    if (auto error = stroke_error(*limits.strokes)) return error;
  }
  if (limits.j2_plus_j3) {
    const Interval range = *limits.j2_plus_j3;
    if (!limits.strokes) return std::string("a J2 + J3 range needs the lower and upper joint limits as well");
    if (!std::isfinite(range.low) || !std::isfinite(range.high)) {
      return "the J2 + J3 range must be finite, got " + number_text(range.low) + " to " +
             number_text(range.high);
    }
    if (range.low > range.high) {
      return "the J2 + J3 range starts above its end: " + number_text(range.low) + " to " +
             number_text(range.high);
    }
  }
  return std::nullopt;
}

bool within_limits(const JointLimits& limits, const JointVector& joints) {
  if (limits.strokes) {
    for (std::size_t j = 0; j < joints.size(); ++j) {
      if (!(limits.strokes->lower[j] <= joints[j] && joints[j] <= limits.strokes->upper[j])) return false;
    }
  }
  if (limits.j2_plus_j3) {
    const double elbow = joints[1] + joints[2];
    if (!(limits.j2_plus_j3->low <= elbow && elbow <= limits.j2_plus_j3->high)) return false;
  }
  return true;
}

}  // namespace talvane
