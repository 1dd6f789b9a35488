// Writes the fingerprints of solve_ik's output on the fixed ordinary targets, one line per target:
// the solution count and the FNV-1a digest of the solutions, in hexadecimal. Run once to record the
// reference that core/tests/test_ik_ordinary_targets.cpp checks against:
//   record_ik_digests > core/tests/data/ik_digests.txt
#include <cinttypes>
#include <cstdio>

#include "support/ik_digest.hpp"

int main() {
  using namespace talvane;
  using namespace talvane::testing_support;
  for (const DigestTarget& t : digest_targets()) {
    const Crx robot = Crx::from_model(t.model);
    const std::vector<IkSolution> solutions = solve_ik(robot, fk(robot, t.joints));
    std::printf("%zu %016" PRIx64 "\n", solutions.size(), digest_prefix(solutions, solutions.size()));
  }
  return 0;
}
