// The angles φ with x·cos φ + y·sin φ = a, for the elbows around a point on the J1 axis.
#pragma once

#include <array>

namespace talvane {

struct CosSinSolutions {
  enum class Kind { None, Every, Angles };
  Kind kind = Kind::None;
  std::array<double, 2> angles{};
  int count = 0;
};

// Every angle when x, y and a all vanish (below 1e-12); none when the equation has no solution;
// otherwise one or two angles in [−π, π), the tangent case (|a| at most a hair above hypot(x, y))
// giving one.
CosSinSolutions solve_cos_sin(double x, double y, double a);

}  // namespace talvane
