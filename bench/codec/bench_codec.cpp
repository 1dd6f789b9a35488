// Decode throughput of the geometry decoder on a stream file:
//   bench_codec STREAM [SECONDS]
// Prints MB/s of stream and millions of vertices per second (best and median
// of repeated decodes).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
    const std::vector<std::uint8_t> stream{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const double budget = argc > 2 ? std::atof(argv[2]) : 5.0;

    using clock = std::chrono::steady_clock;
    std::vector<double> seconds;
    std::size_t vertices = 0, faces = 0;
    const auto start = clock::now();
    do {
        const auto t0 = clock::now();
        auto mesh = talvane::codec::decode_mesh(stream);
        const auto t1 = clock::now();
        if (!mesh) {
            std::fprintf(stderr, "decode failed: %s\n", mesh.error().display().c_str());
            return 1;
        }
        vertices = mesh.value().vertices.size();
        faces = mesh.value().faces.size();
        seconds.push_back(std::chrono::duration<double>(t1 - t0).count());
    } while (std::chrono::duration<double>(clock::now() - start).count() < budget || seconds.size() < 3);

    std::sort(seconds.begin(), seconds.end());
    const double best = seconds.front();
    const double median = seconds[seconds.size() / 2];
    const double megabytes = static_cast<double>(stream.size()) / 1e6;
    std::printf("stream %.2f MB, %zu vertices, %zu faces, %zu decodes\n", megabytes, vertices, faces, seconds.size());
    std::printf("best   %.2f ms: %.1f MB/s, %.1f Mvertices/s\n", best * 1e3, megabytes / best,
                static_cast<double>(vertices) / best / 1e6);
    std::printf("median %.2f ms: %.1f MB/s, %.1f Mvertices/s\n", median * 1e3, megabytes / median,
                static_cast<double>(vertices) / median / 1e6);
    return 0;
}
