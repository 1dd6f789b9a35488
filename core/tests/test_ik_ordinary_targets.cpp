// solve_ik's output on 21,000 ordinary targets (fk of random joints, all six models) must stay as it
// was recorded, bit for bit: solutions found by later mends may only be appended after the rows the
// recorded solver gave.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "support/ik_digest.hpp"

namespace talvane {
namespace {

using testing_support::digest_prefix;
using testing_support::digest_targets;
using testing_support::DigestTarget;

// A mend that appends rows to more than this share of ordinary targets is no longer a mend of rare
// poses.
constexpr double MAX_GROWN_SHARE = 1e-3;

struct Recorded {
  std::size_t count;
  std::uint64_t digest;
};

std::vector<Recorded> read_recorded() {
  std::ifstream in(TALVANE_TEST_DATA_DIR "/ik_digests.txt");
  std::vector<Recorded> recorded;
  std::string line;
  while (std::getline(in, line)) {
    Recorded r{};
    if (std::sscanf(line.c_str(), "%zu %" SCNx64, &r.count, &r.digest) == 2) recorded.push_back(r);
  }
  return recorded;
}

TEST(OrdinaryTargets, OutputIsBitIdenticalToTheRecordedSolver) {
  const std::vector<Recorded> recorded = read_recorded();
  const std::vector<DigestTarget> targets = digest_targets();
  ASSERT_EQ(recorded.size(), targets.size()) << "core/tests/data/ik_digests.txt is missing or short";
  std::size_t grown = 0;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const Crx robot = Crx::from_model(targets[i].model);
    const std::vector<IkSolution> solutions = solve_ik(robot, fk(robot, targets[i].joints));
    ASSERT_GE(solutions.size(), recorded[i].count) << "target " << i;
    ASSERT_EQ(digest_prefix(solutions, recorded[i].count), recorded[i].digest) << "target " << i;
    if (solutions.size() > recorded[i].count) ++grown;
  }
  EXPECT_LE(static_cast<double>(grown), MAX_GROWN_SHARE * static_cast<double>(targets.size()));
}

}  // namespace
}  // namespace talvane
