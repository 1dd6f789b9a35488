// How a solution's arm plane was determined.
#pragma once

#include <cstdint>

namespace talvane {

// The numbering is fixed: the Python enumeration and the kind byte of a solution use it.
enum class SolutionKind : std::uint8_t {
  // The forearm point lies off the J1 axis; J1 is its azimuth.
  Regular = 0,
  // The forearm point lies on the J1 axis, the elbow does not; J1 is the elbow's azimuth.
  AxisDegenerate = 1,
  // The arm lies along the J1 axis: one member of a continuous family (J1 and J4 turn about one line).
  SingularFamily = 2,
};

}  // namespace talvane
