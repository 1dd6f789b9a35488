// Calls per second of fk and fk_all in C++, on random joint vectors.
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "fk.hpp"

namespace {

template <typename Function>
double calls_per_second(const std::vector<talvane::JointVector>& inputs, Function function) {
  using Clock = std::chrono::steady_clock;
  double sink = 0.0;
  std::size_t calls = 0;
  const auto start = Clock::now();
  const auto deadline = start + std::chrono::seconds(1);
  while (Clock::now() < deadline) {
    for (const auto& joints : inputs) sink += function(joints);
    calls += inputs.size();
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (sink == 0.123) std::puts("");  // keeps the work observable
  return static_cast<double>(calls) / seconds;
}

}  // namespace

int main() {
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> angle(-180.0, 180.0);
  std::vector<talvane::JointVector> inputs(4096);
  for (auto& joints : inputs) {
    for (double& j : joints) j = angle(rng);
  }
  const talvane::Crx robot = talvane::Crx::crx10ia();
  const double fk_rate = calls_per_second(
      inputs, [&](const talvane::JointVector& q) { return talvane::fk(robot, q).translation[0]; });
  const double fk_all_rate = calls_per_second(
      inputs, [&](const talvane::JointVector& q) { return talvane::fk_all(robot, q)[3].translation[2]; });
  std::printf("| call (C++) | calls per second |\n|---|---|\n");
  std::printf("| fk | %.0f |\n| fk_all | %.0f |\n", fk_rate, fk_all_rate);
  return 0;
}
