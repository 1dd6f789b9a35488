// A fingerprint of solve_ik's output on a fixed set of ordinary targets, so that a change to the
// solver that alters any bit of any solution (joints, residual, theta, kind) or their order is seen.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "fk.hpp"
#include "ik/solve_ik.hpp"
#include "random_joints.hpp"
#include "robot.hpp"

namespace talvane::testing_support {

// 6 models × 3,500 = 21,000 targets.
inline constexpr int DIGEST_TARGETS_PER_MODEL = 3500;
inline constexpr std::uint64_t DIGEST_SEED = 20261208;

// FNV-1a over the bytes of each solution's fields, in list order.
class SolutionDigest {
 public:
  void add(const IkSolution& s) {
    for (const double j : s.joints) add_double(j);
    add_double(s.residual);
    add_double(s.theta);
    add_byte(static_cast<std::uint8_t>(s.kind));
  }
  std::uint64_t value() const { return hash_; }

 private:
  void add_byte(std::uint8_t b) { hash_ = (hash_ ^ b) * 0x100000001b3ULL; }
  void add_double(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i) add_byte(static_cast<std::uint8_t>(bits >> (8 * i)));
  }
  std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

// The digest of the first `count` solutions.
inline std::uint64_t digest_prefix(const std::vector<IkSolution>& solutions, std::size_t count) {
  SolutionDigest digest;
  for (std::size_t i = 0; i < count && i < solutions.size(); ++i) digest.add(solutions[i]);
  return digest.value();
}

struct DigestTarget {
  CrxModel model;
  JointVector joints;
};

// The fixed targets, model by model: fk of uniform random joint vectors.
inline std::vector<DigestTarget> digest_targets() {
  std::vector<DigestTarget> targets;
  for (std::size_t m = 0; m < MODEL_COUNT; ++m) {
    Random random{DIGEST_SEED + m};
    for (int n = 0; n < DIGEST_TARGETS_PER_MODEL; ++n) {
      JointVector q;
      for (double& j : q) j = random.joint();
      targets.push_back({static_cast<CrxModel>(m), q});
    }
  }
  return targets;
}

}  // namespace talvane::testing_support
