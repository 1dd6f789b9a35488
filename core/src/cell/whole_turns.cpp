#include "cell/whole_turns.hpp"

#include <array>
#include <cmath>

namespace talvane {
namespace {

constexpr double TURN = 360.0;
// A stroke of three turns holds at most four copies of one angle.
constexpr std::size_t MAX_COPIES = 4;
static_assert(MAX_STROKE_WIDTH < TURN * MAX_COPIES);

struct Copies {
  std::array<double, MAX_COPIES> values{};
  std::size_t count = 0;
};

// The copies of one angle within [lower, upper], ascending.
Copies angle_copies(double angle, double lower, double upper) {
  Copies copies;
  if (!std::isfinite(angle)) return copies;
  double k = std::ceil((lower - angle) / TURN);
  // The rounded quotient may put its ceiling one turn off either way.
  if (angle + TURN * (k - 1.0) >= lower) k -= 1.0;
  if (angle + TURN * k < lower) k += 1.0;
  for (std::size_t n = 0; n <= MAX_COPIES && copies.count < MAX_COPIES; ++n, k += 1.0) {
    const double value = angle + TURN * k;
    if (value > upper) break;
    if (value >= lower) copies.values[copies.count++] = value;
  }
  return copies;
}

}  // namespace

void append_whole_turn_copies(const JointVector& joints, const JointLimits& limits,
                              std::vector<JointVector>& copies) {
  if (!limits.strokes) {
    if (within_limits(limits, joints)) copies.push_back(joints);
    return;
  }
  std::array<Copies, 6> per_joint;
  for (std::size_t j = 0; j < joints.size(); ++j) {
    per_joint[j] = angle_copies(joints[j], limits.strokes->lower[j], limits.strokes->upper[j]);
    if (per_joint[j].count == 0) return;
  }
  // An odometer over the six lists, the last joint turning fastest: ascending lexicographic order.
  std::array<std::size_t, 6> index{};
  while (true) {
    JointVector copy;
    for (std::size_t j = 0; j < copy.size(); ++j) copy[j] = per_joint[j].values[index[j]];
    if (within_limits(limits, copy)) copies.push_back(copy);
    std::size_t j = copy.size();
    while (j > 0 && ++index[j - 1] == per_joint[j - 1].count) index[--j] = 0;
    if (j == 0) return;
  }
}

}  // namespace talvane
