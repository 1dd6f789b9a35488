// The scan of the branch residuals: a fine stretch only adds samples to a scan window.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fk.hpp"
#include "ik/branch_zeros.hpp"
#include "ik/circle_candidates.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/wrist_circle.hpp"

namespace talvane {
namespace {

// A stretch far finer than the window's own steps, a tenth of the way into it and well before its
// zeros: the scan must cross it in its fine steps and still reach the rest of the window, whatever
// the width of the step that first reaches into it. The zeros are the same up to where their
// bisections stop (the residual is flat to 1e-9 there).
TEST(ScanBranchZeros, AFineStretchKeepsEveryZeroOfTheWindow) {
  // The arm along the J1 axis, P 0.07 mm from it: two zeros 3e-5 rad apart, 2.4e-3 rad into the
  // window around the root.
  const Crx robot = Crx::crx10ia();
  const JointVector q{-178.10449035639309, -180, 90.000000008632711, -11.543416976260517, -70.908326345047129,
                      -79.766779643721605};
  const IkContext ctx = make_ik_context(robot, fk(robot, q));
  const CircleSearch search = search_circle(ctx);
  const double y1 = std::abs(robot.y1());
  int windows_with_zeros = 0;
  for (const double root : search.roots) {
    const Vec3 p = circle_point(ctx, root);
    const double axis_distance = std::hypot(p[0], p[1]);
    if (!(axis_distance <= 0.01 * robot.z1())) continue;
    const double half_width = 8.0 * axis_distance / y1;
    const std::vector<double> plain =
        scan_branch_zeros(ctx, BranchScan{root, half_width, true, NEAR_AXIS_SHARE, {}}).plus;
    const double lo = root - 0.9 * half_width;
    const std::vector<FineStretch> fine{{lo, lo + 1e-6, 1e-9}};
    const std::vector<double> finer =
        scan_branch_zeros(ctx, BranchScan{root, half_width, true, NEAR_AXIS_SHARE, fine}).plus;
    ASSERT_EQ(finer.size(), plain.size()) << "root " << root;
    for (std::size_t i = 0; i < plain.size(); ++i) EXPECT_NEAR(finer[i], plain[i], 1e-9) << i;
    if (plain.size() >= 2) ++windows_with_zeros;
  }
  EXPECT_GE(windows_with_zeros, 1);
}

}  // namespace
}  // namespace talvane
