// Random joint vectors for the IK benchmarks: splitmix64, so that a seed gives the same vectors on
// every platform and standard library.
#pragma once

#include <cstdint>

struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in [−180, 180).
  double joint() { return static_cast<double>(next() >> 11) * 0x1.0p-53 * 360.0 - 180.0; }
};
