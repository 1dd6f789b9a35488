// Completeness of solve_ik: for random joint vectors q of every catalogued model, does the solution
// list of fk(q) contain q (up to whole turns, within 1e-5 rad)? Prints the share found, the
// distribution of solution counts, and the geometry of every miss.
//
//   bench_ik_completeness [samples per model = 100000] [seed = 1]

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "fk.hpp"
#include "ik/ik_context.hpp"
#include "ik/solve_ik.hpp"
#include "support/random_joints.hpp"

namespace {

using namespace talvane;

constexpr std::array<const char*, MODEL_COUNT> MODEL_NAMES{"CRX-3iA",    "CRX-5iA",    "CRX-10iA",
                                                           "CRX-10iA/L", "CRX-20iA/L", "CRX-30iA"};
constexpr int MAX_MISSES_PRINTED = 20;

// How far the forearm point (the J4-axis point nearest the J5 origin) and the elbow are from the
// J1 axis, and how close J5 is to 0 or ±180 (the wrist singularity), for a missed q.
void describe_miss(const Crx& robot, const JointVector& q, const std::vector<IkSolution>& solutions) {
  const Frames frames = fk_all(robot, q);
  const Vec3& elbow = frames[2].translation;
  const Vec3 forearm_x = quaternion_rotate(frames[3].rotation, Vec3{1.0, 0.0, 0.0});
  const Vec3 p{elbow[0] + robot.x1() * forearm_x[0], elbow[1] + robot.x1() * forearm_x[1],
               elbow[2] + robot.x1() * forearm_x[2]};
  double nearest = INFINITY;
  for (const IkSolution& s : solutions) nearest = std::min(nearest, circular_joint_distance(s.joints, q));
  std::printf(
      "  miss q = (%.17g, %.17g, %.17g, %.17g, %.17g, %.17g): %zu solutions, nearest %.3e rad; "
      "P from J1 axis %.3e mm, elbow from J1 axis %.3e mm, |P| %.3e mm\n",
      q[0], q[1], q[2], q[3], q[4], q[5], solutions.size(), nearest, std::hypot(p[0], p[1]),
      std::hypot(elbow[0], elbow[1]), std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]));
}

}  // namespace

int main(int argc, char** argv) {
  const long samples = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 100000;
  const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  if (samples <= 0) {
    std::fprintf(stderr, "usage: bench_ik_completeness [samples > 0] [seed]\n");
    return 2;
  }
  bool all_found = true;
  for (std::size_t m = 0; m < MODEL_COUNT; ++m) {
    const Crx robot = Crx::from_model(static_cast<CrxModel>(m));
    talvane::testing_support::Random random{seed * 1000003ULL + m};
    long found = 0;
    long bad_residual = 0;
    long duplicates = 0;
    int printed = 0;
    std::map<std::size_t, long> counts;
    for (long n = 0; n < samples; ++n) {
      JointVector q;
      for (double& j : q) j = random.joint();
      const std::vector<IkSolution> solutions = solve_ik(robot, fk(robot, q));
      ++counts[solutions.size()];
      bool hit = false;
      for (std::size_t i = 0; i < solutions.size(); ++i) {
        if (!(solutions[i].residual <= MAX_RESIDUAL)) ++bad_residual;
        if (circular_joint_distance(solutions[i].joints, q) < DUPLICATE_DISTANCE) hit = true;
        for (std::size_t k = 0; k < i; ++k) {
          if (circular_joint_distance(solutions[i].joints, solutions[k].joints) < DUPLICATE_DISTANCE)
            ++duplicates;
        }
      }
      if (hit) {
        ++found;
      } else if (printed++ < MAX_MISSES_PRINTED) {
        describe_miss(robot, q, solutions);
      }
    }
    all_found = all_found && found == samples;
    std::printf("%-10s found %ld / %ld (%.4f %%), residual > 1e-8: %ld, duplicate pairs: %ld\n",
                MODEL_NAMES[m], found, samples,
                100.0 * static_cast<double>(found) / static_cast<double>(samples), bad_residual, duplicates);
    std::printf("           solution counts:");
    for (const auto& [count, times] : counts) std::printf("  %zu: %ld", count, times);
    std::printf("\n");
  }
  return all_found ? 0 : 1;
}
