// The target files of the Python benchmarks (bench/peers/run.py, bench/python/bench_ik.py,
// bench/python/bench_batch.py): one target per line, z1 x1 x2 y1 and the 16 values of the
// row-major 4x4 flange pose (mm).
#pragma once

#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pose.hpp"
#include "rigid.hpp"
#include "robot.hpp"

namespace talvane::bench {

struct Target {
  Crx robot;
  Pose pose;
};

// False if the file cannot be read or a line is malformed or not a rigid transform.
inline bool read_targets(const char* path, std::vector<Target>& targets) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::istringstream fields(line);
    std::array<double, 4> dims{};
    std::array<double, 16> matrix{};
    for (double& d : dims) fields >> d;
    for (double& m : matrix) fields >> m;
    if (!fields) return false;
    const PoseConversion conversion = pose_from_row_major(matrix);
    if (!conversion.pose) return false;
    targets.push_back({Crx::from_params(dims[0], dims[1], dims[2], dims[3]), *conversion.pose});
  }
  return true;
}

}  // namespace talvane::bench
