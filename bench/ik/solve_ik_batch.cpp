// Times one pass of solve_ik over every target of a target file, in C++ without Python: the
// figure that ik_many's per-target cost is compared with (bench/python/bench_batch.py).
//
//   bench_solve_ik_batch TARGETS [rounds = 5]
//
// Prints the best round's nanoseconds per target and the number of solutions. Unlike
// bench_solve_ik_targets, which repeats each target, every target is solved once per round, in
// file order, as ik_many solves a batch.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "ik/solve_ik.hpp"
#include "target_file.hpp"

using talvane::IkSolution;
using talvane::bench::Target;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_solve_ik_batch TARGETS [rounds > 0]\n");
    return 2;
  }
  const long rounds = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 5;
  std::vector<Target> targets;
  if (rounds <= 0 || !talvane::bench::read_targets(argv[1], targets) || targets.empty()) {
    std::fprintf(stderr, "bench_solve_ik_batch: cannot read targets from %s\n", argv[1]);
    return 2;
  }
  double best = std::numeric_limits<double>::infinity();
  std::size_t solutions = 0;
  for (long round = 0; round < rounds; ++round) {
    std::size_t found = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const Target& t : targets) {
      const std::vector<IkSolution> result = talvane::solve_ik(t.robot, t.pose);
      found += result.size();
    }
    const auto stop = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::nano>(stop - start).count());
    solutions = found;
  }
  std::printf("%.1f %zu\n", best / static_cast<double>(targets.size()), solutions);
  return 0;
}
