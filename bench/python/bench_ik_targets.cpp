// Median microseconds per solve_ik call on CRX-10iA targets read from standard input, one
// row-major 4x4 matrix (16 numbers) per line, each solved `repeats` times (first argument).
// Prints the median and the total number of solutions, so that bench_ik.py can check that it
// timed the same solves.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "ik/solve_ik.hpp"
#include "rigid.hpp"

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  std::vector<talvane::Pose> targets;
  std::array<double, 16> values{};
  while (true) {
    for (double& value : values) {
      if (!(std::cin >> value)) break;
    }
    if (!std::cin) break;
    const talvane::PoseConversion converted = talvane::pose_from_row_major(values);
    if (!converted.pose) {
      std::fprintf(stderr, "target %zu: %.*s\n", targets.size() + 1, static_cast<int>(converted.error.size()),
                   converted.error.data());
      return 1;
    }
    targets.push_back(*converted.pose);
  }
  if (targets.empty()) {
    std::fprintf(stderr, "no targets on standard input\n");
    return 1;
  }

  using Clock = std::chrono::steady_clock;
  const talvane::Crx robot = talvane::Crx::crx10ia();
  std::vector<double> microseconds;
  microseconds.reserve(targets.size());
  std::size_t solutions = 0;
  for (const talvane::Pose& target : targets) {
    solutions += talvane::solve_ik(robot, target).size();
    const auto start = Clock::now();
    for (int r = 0; r < repeats; ++r) {
      const auto result = talvane::solve_ik(robot, target);
      if (result.size() > 1000) std::puts("");  // keeps the work observable
    }
    microseconds.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() / repeats);
  }
  std::nth_element(microseconds.begin(), microseconds.begin() + microseconds.size() / 2, microseconds.end());
  std::printf("%.3f %zu\n", microseconds[microseconds.size() / 2], solutions);
  return 0;
}
