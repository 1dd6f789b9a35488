#include "cell/closest_configuration.hpp"

#include <cmath>

namespace talvane {

JointDifference largest_joint_difference(const JointVector& a, const JointVector& b) {
  JointDifference largest{0, 0.0};
  for (std::size_t j = 0; j < a.size(); ++j) {
    const double difference = std::fabs(a[j] - b[j]);
    if (difference > largest.degrees) largest = {j, difference};
  }
  return largest;
}

std::optional<std::size_t> closest_configuration(std::span<const JointVector> configurations,
                                                 const JointVector& reference) {
  if (configurations.empty()) return std::nullopt;
  std::size_t best = 0;
  double best_difference = largest_joint_difference(configurations[0], reference).degrees;
  for (std::size_t i = 1; i < configurations.size(); ++i) {
    const double difference = largest_joint_difference(configurations[i], reference).degrees;
    if (difference < best_difference) {
      best = i;
      best_difference = difference;
    }
  }
  return best;
}

}  // namespace talvane
