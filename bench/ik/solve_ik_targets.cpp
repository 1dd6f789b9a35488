// Times solve_ik per target, in C++ without Python, on a target file such as bench/peers/run.py and
// bench/python/bench_ik.py write.
//
//   bench_solve_ik_targets [--ordinary-pass] TARGETS [repeats = 3]
//
// Each line of TARGETS: z1 x1 x2 y1 and the 16 values of the row-major 4x4 flange pose (mm).
// Prints one line per target: the median of `repeats` timed solves in nanoseconds and the number of
// solutions, after one untimed pass over all targets to warm caches and branch predictors. With
// --ordinary-pass only the ordinary pass runs, without the searches of hard poses: its rows lead
// every result, and its time is what a hard pose costs before those searches.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ik/solve_ik.hpp"
#include "target_file.hpp"

using namespace talvane;
using talvane::bench::read_targets;
using talvane::bench::Target;

int main(int argc, char** argv) {
  const bool ordinary_pass = argc > 1 && std::strcmp(argv[1], "--ordinary-pass") == 0;
  const IkPasses passes = ordinary_pass ? IkPasses::OrdinaryOnly : IkPasses::All;
  if (ordinary_pass) {
    --argc;
    ++argv;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_solve_ik_targets [--ordinary-pass] TARGETS [repeats > 0]\n");
    return 2;
  }
  const long repeats = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 3;
  std::vector<Target> targets;
  if (repeats <= 0 || !read_targets(argv[1], targets)) {
    std::fprintf(stderr, "bench_solve_ik_targets: cannot read targets from %s\n", argv[1]);
    return 2;
  }
  std::size_t warm_solutions = 0;
  for (const Target& t : targets) warm_solutions += solve_ik(t.robot, t.pose, passes).size();

  std::vector<double> times(static_cast<std::size_t>(repeats));
  std::size_t timed_solutions = 0;
  for (const Target& t : targets) {
    std::size_t count = 0;
    for (double& time : times) {
      const auto start = std::chrono::steady_clock::now();
      const std::vector<IkSolution> solutions = solve_ik(t.robot, t.pose, passes);
      const auto stop = std::chrono::steady_clock::now();
      time = std::chrono::duration<double, std::nano>(stop - start).count();
      count = solutions.size();
    }
    std::nth_element(times.begin(), times.begin() + repeats / 2, times.end());
    std::printf("%.0f %zu\n", times[static_cast<std::size_t>(repeats / 2)], count);
    timed_solutions += count;
  }
  // The warm-up pass and the timed passes must agree; a difference means a nondeterministic solver.
  return warm_solutions == timed_solutions ? 0 : 1;
}
