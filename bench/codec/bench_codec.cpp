// Decode throughput of the geometry decoder on a stream file:
//   bench_codec STREAM [SECONDS]
// Prints MB/s of stream and millions of vertices per second (best and median
// of repeated decodes), by wall-clock time and by the process's CPU time, the
// latter being steadier on a shared machine.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <vector>

#include "decode_mesh.hpp"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s STREAM [SECONDS]\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<std::uint8_t> stream{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
  const double budget = argc > 2 ? std::atof(argv[2]) : 5.0;

  using clock = std::chrono::steady_clock;
  const auto cpu_now = [] {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  };
  std::vector<double> seconds;
  std::vector<double> cpu_seconds;
  std::size_t vertices = 0, faces = 0;
  const auto start = clock::now();
  do {
    const auto t0 = clock::now();
    const double c0 = cpu_now();
    auto mesh = talvane::codec::decode_mesh(stream);
    const double c1 = cpu_now();
    const auto t1 = clock::now();
    if (!mesh) {
      std::fprintf(stderr, "decode failed: %s\n", mesh.error().display().c_str());
      return 1;
    }
    vertices = mesh.value().vertices.size();
    faces = mesh.value().faces.size();
    seconds.push_back(std::chrono::duration<double>(t1 - t0).count());
    cpu_seconds.push_back(c1 - c0);
  } while (std::chrono::duration<double>(clock::now() - start).count() < budget || seconds.size() < 3);

  const double megabytes = static_cast<double>(stream.size()) / 1e6;
  std::printf("stream %.2f MB, %zu vertices, %zu faces, %zu decodes\n", megabytes, vertices, faces,
              seconds.size());
  const auto report = [&](const char* what, std::vector<double>& times) {
    std::sort(times.begin(), times.end());
    for (const auto& [label, t] :
         {std::pair{"best", times.front()}, std::pair{"median", times[times.size() / 2]}}) {
      std::printf("%-4s %-6s %8.2f ms: %7.1f MB/s, %6.2f Mvertices/s\n", what, label, t * 1e3, megabytes / t,
                  static_cast<double>(vertices) / t / 1e6);
    }
  };
  report("wall", seconds);
  report("cpu", cpu_seconds);
  return 0;
}
