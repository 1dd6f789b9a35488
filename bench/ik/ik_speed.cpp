// Speed of solve_ik on random reachable targets of the CRX-10iA, with the split between the circle
// search, the root finder inside it, and the reconstruction with refinement and verification.
//
//   bench_ik_speed [targets = 20000] [seed = 7]
//
// Each stage is timed separately on the same target, so the stage figures add up to about the
// whole only on average; the medians are reported per stage.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fk.hpp"
#include "ik/circle_candidates.hpp"
#include "ik/ik_context.hpp"
#include "ik/reconstruct_joints.hpp"
#include "ik/refine_joints.hpp"
#include "ik/roots/trig_roots.hpp"
#include "ik/solve_ik.hpp"
#include "ik/wrist_circle.hpp"
#include "support/random_joints.hpp"

namespace {

using namespace talvane;
using Clock = std::chrono::steady_clock;

template <typename F>
double micros(F&& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

struct Summary {
  double median;
  double mean;
  double p90;
};

Summary summarize(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  double sum = 0.0;
  for (const double x : v) sum += x;
  return {v[v.size() / 2], sum / static_cast<double>(v.size()), v[v.size() * 9 / 10]};
}

volatile double sink = 0.0;

}  // namespace

int main(int argc, char** argv) {
  const long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 20000;
  const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 7;
  if (count <= 0) {
    std::fprintf(stderr, "usage: bench_ik_speed [targets > 0] [seed]\n");
    return 2;
  }
  const Crx robot = Crx::crx10ia();
  talvane::testing_support::Random random{seed};
  std::vector<Pose> targets;
  targets.reserve(static_cast<std::size_t>(count));
  for (long n = 0; n < count; ++n) {
    JointVector q;
    for (double& j : q) j = random.joint();
    targets.push_back(fk(robot, q));
  }
  // Warm the caches and the branch predictors.
  for (std::size_t n = 0; n < std::min<std::size_t>(targets.size(), 1000); ++n)
    sink = sink + solve_ik(robot, targets[n]).size();

  std::vector<double> whole, search, interpolation, roots, rebuild;
  std::vector<double> solution_counts;
  for (const Pose& target : targets) {
    whole.push_back(micros([&] { sink = sink + static_cast<double>(solve_ik(robot, target).size()); }));
    const IkContext ctx = make_ik_context(robot, target);
    std::vector<CircleCandidate> candidates;
    search.push_back(micros([&] { candidates = circle_candidates(ctx); }));
    TrigPolynomial f{};
    interpolation.push_back(micros([&] { f = interpolate_constraint(ctx); }));
    roots.push_back(micros([&] { sink = sink + static_cast<double>(trig_roots(f).size()); }));
    rebuild.push_back(micros([&] {
      for (const CircleCandidate& c : candidates) {
        for (const JointVector& v : reconstruct_joints(ctx, c.elbow, c.circle_point, c.theta)) {
          const JointVector joints = refine_joints(robot, v, target);
          sink = sink + max_abs_error(pose_error(robot, joints, target));
        }
      }
    }));
  }
  const auto print = [](const char* name, const Summary& s) {
    std::printf("%-44s median %8.2f us   mean %8.2f us   p90 %8.2f us\n", name, s.median, s.mean, s.p90);
  };
  std::printf("CRX-10iA, %ld random reachable targets\n", count);
  print("solve_ik", summarize(whole));
  print("circle search (circle_candidates, all)", summarize(search));
  print("  constraint sampling (interpolate_constraint)", summarize(interpolation));
  print("  root finder (trig_roots)", summarize(roots));
  print("reconstruction + refinement + verification", summarize(rebuild));
  return 0;
}
