// Random joint vectors for tests and benchmarks: splitmix64, so that a seed gives the same vectors
// on every platform and standard library.
#pragma once

#include <cstdint>

namespace talvane::testing_support {

struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  // Uniform in [−180, 180).
  double joint() { return unit() * 360.0 - 180.0; }
};

}  // namespace talvane::testing_support
