// Joint vectors at singular and special poses whose solutions the constraint's ill-conditioned roots
// used to hide: fk of each, fed back, must list it (and its twin) among valid, distinct solutions.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <tuple>

#include "fk.hpp"
#include "ik/ik_context.hpp"
#include "ik/solve_ik.hpp"
#include "pose.hpp"
#include "rigid.hpp"
#include "support/ik_coverage.hpp"
#include "support/ik_digest.hpp"
#include "support/random_joints.hpp"
#include "vec3.hpp"

namespace talvane {
namespace {

using testing_support::covers;
using testing_support::in_family_band;

struct HardPose {
  const char* family;
  CrxModel model;
  JointVector q;
};

std::ostream& operator<<(std::ostream& out, const HardPose& c) {
  out << c.family << " model " << static_cast<int>(c.model) << " (";
  for (double j : c.q) out << j << ' ';
  return out << ')';
}

// The configuration with J1 turned by a half turn, the upper arm mirrored and J4 turned by a half
// turn: the same elbow, forearm point and flange pose.
JointVector twin_of(const JointVector& q) {
  const double alpha = q[1] + q[2];
  return {q[0] - 180.0, -q[1], (180.0 - alpha) + q[1], q[3] - 180.0, q[4], q[5]};
}

void expect_valid_and_distinct(const Crx& robot, const std::vector<IkSolution>& solutions,
                               const Pose& target) {
  for (std::size_t i = 0; i < solutions.size(); ++i) {
    EXPECT_LE(max_abs_error(pose_error(robot, solutions[i].joints, target)), MAX_RESIDUAL) << "row " << i;
    for (std::size_t k = 0; k < i; ++k) {
      EXPECT_GE(circular_joint_distance(solutions[i].joints, solutions[k].joints), DUPLICATE_DISTANCE)
          << "rows " << k << " and " << i;
    }
  }
}

// fk(q) as a caller passes it, a row-major matrix read back: some configurations are a few ulps of
// the pose away from being lost, so their tests take the module's path.
Pose target_as_passed(const Crx& robot, const JointVector& q) {
  const Matrix4 matrix = pose_to_matrix(fk(robot, q));
  return *pose_from_row_major(std::span<const double>(matrix.data(), matrix.size())).pose;
}

// fk(q), for q inside the family bands, fed back: the solutions, each checked valid and distinct.
std::vector<IkSolution> solve_from_inside_bands(const Crx& robot, const JointVector& q) {
  EXPECT_TRUE(in_family_band(robot, q));
  const Pose target = fk(robot, q);
  std::vector<IkSolution> solutions = solve_ik(robot, target);
  expect_valid_and_distinct(robot, solutions, target);
  return solutions;
}

// target fed back for q: the solutions, each checked valid and distinct, and q among them.
std::vector<IkSolution> solve_covering(const Crx& robot, const Pose& target, const JointVector& q) {
  std::vector<IkSolution> solutions = solve_ik(robot, target);
  EXPECT_FALSE(solutions.empty());
  expect_valid_and_distinct(robot, solutions, target);
  EXPECT_TRUE(covers(robot, solutions, q, target));
  return solutions;
}

class HardPoses : public testing::TestWithParam<HardPose> {};

TEST_P(HardPoses, ListTheGeneratingVectorAndItsTwin) {
  const HardPose& c = GetParam();
  const Crx robot = Crx::from_model(c.model);
  const Pose target = fk(robot, c.q);
  const std::vector<IkSolution> solutions = solve_covering(robot, target, c.q);
  EXPECT_TRUE(covers(robot, solutions, twin_of(c.q), target));
}

// The searches of hard poses only add rows after the ordinary pass's: those lead, bit for bit.
TEST_P(HardPoses, LeadWithTheOrdinaryPassRows) {
  const HardPose& c = GetParam();
  const Crx robot = Crx::from_model(c.model);
  const Pose target = fk(robot, c.q);
  const std::vector<IkSolution> ordinary = solve_ik(robot, target, IkPasses::OrdinaryOnly);
  const std::vector<IkSolution> all = solve_ik(robot, target);
  ASSERT_LE(ordinary.size(), all.size());
  for (std::size_t i = 0; i < ordinary.size(); ++i) {
    testing_support::SolutionDigest alone;
    testing_support::SolutionDigest leading;
    alone.add(ordinary[i]);
    leading.add(all[i]);
    EXPECT_EQ(alone.value(), leading.value()) << "row " << i;
  }
}

// The arm stretched backwards with the wrist straight, on the CRX-5iA and on its mirror image: the
// ordinary pass alone lists nothing, the searches of hard poses list q.
TEST(HardPoses, OrdinaryPassAloneMissesTheStretchedArm) {
  const Crx crx5ia = Crx::crx5ia();
  const Crx mirrored = Crx::from_params(-crx5ia.z1(), -crx5ia.x1(), -crx5ia.x2(), -crx5ia.y1());
  const JointVector q = {0, -90, -180, 0, 0, -180};
  for (const Crx& robot : {crx5ia, mirrored}) {
    const Pose target = fk(robot, q);
    EXPECT_TRUE(solve_ik(robot, target, IkPasses::OrdinaryOnly).empty()) << robot.z1();
    EXPECT_TRUE(covers(robot, solve_ik(robot, target), q, target)) << robot.z1();
  }
}

// Near-multiple roots of the constraint, placed only loosely: the zeros they stand for lie farther
// from them than the roots from one another.
INSTANTIATE_TEST_SUITE_P(ClusteredRoots, HardPoses,
                         testing::Values(HardPose{
                             "wrist a hair off straight, three zeros within 5e-5 rad",
                             CrxModel::Crx10iA,
                             {-177.4072602252978, -183.1425585174599, 89.99959047499394, -180.00147409798052,
                              -0.00040949935247992883, 202.32962103149367}}));

INSTANTIATE_TEST_SUITE_P(
    StretchedWithStraightWrist, HardPoses,
    testing::Values(HardPose{"stretched backwards", CrxModel::Crx5iA, {0, -90, -180, 0, 0, -180}},
                    HardPose{"stretched backwards", CrxModel::Crx3iA, {0, -90, -180, 0, 0, -180}},
                    HardPose{"stretched, wrist a hair off",
                             CrxModel::Crx10iA,
                             {-26.785988971922364, -90.0, -179.99998495044477, -180.0, -180.00001966258333,
                              -143.87175670278384}},
                    HardPose{"stretched, wrist a hair off",
                             CrxModel::Crx10iAL,
                             {-26.785988971922364, -90.0, -179.99998495044477, -180.0, -180.00001966258333,
                              -143.87175670278384}},
                    HardPose{"stretched, wrist a hair off",
                             CrxModel::Crx10iA,
                             {4.1250405187511205, -90.00007021176125, -180.0, -179.9998699967791,
                              -180.0000060615951, -179.99999841263917}},
                    HardPose{"stretched, wrist a hair off",
                             CrxModel::Crx30iA,
                             {4.1250405187511205, -90.00007021176125, -180.0, -179.9998699967791,
                              -180.0000060615951, -179.99999841263917}},
                    HardPose{"nearly stretched, wrist nearly straight",
                             CrxModel::Crx20iAL,
                             {180.0, 90.00482508576137, 0.0, 180.0024819317852, 0.00020027230033096863,
                              -179.99998629740278}},
                    HardPose{"wrist straight, flat branch residual",
                             CrxModel::Crx30iA,
                             {90.0, 90.0, 89.99979872954371, 90.0, -180.0, -70.5358134740252}}));

INSTANTIATE_TEST_SUITE_P(
    FoldedForearm, HardPoses,
    testing::Values(HardPose{"folded, P 0.04 mm from the shoulder",
                             CrxModel::Crx3iA,
                             {113.03717026033445, 89.84708517690666, -179.85492574651306, 61.66409073306272,
                              161.51244709495376, 94.10990364966977}},
                    HardPose{"folded, P 0.07 mm from the shoulder",
                             CrxModel::Crx10iA,
                             {113.03717026033445, 89.84708517690666, -179.85492574651306, 61.66409073306272,
                              161.51244709495376, 94.10990364966977}},
                    HardPose{"folded, two zeros 5e-6 rad apart",
                             CrxModel::Crx10iA,
                             {85.58799174234389, 97.11726648246662, -187.2172664824666, 155.19880725448178,
                              -82.1804400176616, 161.79545676623485}},
                    HardPose{"folded, the roots three times closer to the shoulder than the zero",
                             CrxModel::Crx10iA,
                             {-59.39451388826431, -133.32456202273931, 43.340185262503454, 11.804012491276495,
                              167.20510308061176, -3.6351203703396777}},
                    HardPose{"folded, random",
                             CrxModel::Crx10iA,
                             {-0.26283510390777565, 89.99429952581085, -179.9801831861468, 84.81717323022792,
                              55.12713688412339, -102.8997278861349}},
                    HardPose{"folded onto the inner boundary",
                             CrxModel::Crx5iA,
                             {-30.424546484328857, 4.017279773885207, -94.01727977488521, -0.5637036151439077,
                              167.76471402949142, 89.99295873511477}},
                    HardPose{"folded onto the inner boundary, near the axis",
                             CrxModel::Crx5iA,
                             {-174.1192495207571, 0.0, -90.00013630589271, -43.48661354187715,
                              74.43211087901247, -149.29445460754624}}));

INSTANTIATE_TEST_SUITE_P(
    AlongTheJ1Axis, HardPoses,
    testing::Values(HardPose{"stretched up, P 9e-3 mm off the axis",
                             CrxModel::Crx10iA,
                             {-117.39191422021429, 0.0, 90.001, 13.7837493578445, -176.77206962984312,
                              -156.86988420670485}},
                    HardPose{"stretched up, 6 of 8 rows",
                             CrxModel::Crx10iA,
                             {140.14627750223036, 0.0, 90.00006625101547, 115.75512946713309,
                              150.28848525027968, 90.00001036663195}},
                    HardPose{"stretched down, wrist straight",
                             CrxModel::Crx5iA,
                             {180.0, -180.0, -90.00007226113586, 85.9189308437766, -180.00000414073332,
                              105.66016360406684}},
                    HardPose{"stretched up, upper arm a hair tilted",
                             CrxModel::Crx10iA,
                             {-5.649535567465961, 0.01812879421360915, 90.0, 4.242998771324138e-07,
                              -126.9543518214441, 90.0}},
                    HardPose{"stretched down, wrist straight, zeros of a flat residual",
                             CrxModel::Crx5iA,
                             {-90.0, -180.00017304081717, -90.0, 90.0, 0.0, 90.0}},
                    HardPose{"folded down the axis, P a hair outside the band",
                             CrxModel::Crx5iA,
                             {149.68145253307478, -180.0, 89.99994536902638, 163.45582137228854,
                              -48.86398558102789, -9.11472733112197}},
                    // q's zero lay inside a run of flat stretches of g_+, 1.7e-4 rad long, that the
                    // scan kept only by its ends and inside points; the nearest row was 7e-4 rad away.
                    HardPose{"folded up the axis, P 1.3 band widths off it, wrist nearly straight",
                             CrxModel::Crx10iA,
                             {66.71966753595612, 0.0, -90.00007520321144, 179.95813049873811,
                              -3.24734190388083e-05, 170.67955503024604}}));

// Stretched with the wrist straight, a hair inside the reach: at q's circle angle both branch
// residuals vanish, one crossing zero, the other only touching it. Only the crossing gave a
// candidate; its elbow, 8e-3 mm from q's, polished into a solution 1.6e-5 rad from q, and the chord
// between the two leaves the target by 3e-8.
class BothBranchesVanish : public testing::TestWithParam<HardPose> {};

TEST_P(BothBranchesVanish, ListTheGeneratingVector) {
  const HardPose& c = GetParam();
  const Crx robot = Crx::from_model(c.model);
  solve_covering(robot, target_as_passed(robot, c.q), c.q);
}

INSTANTIATE_TEST_SUITE_P(
    StretchedWithStraightWrist, BothBranchesVanish,
    testing::Values(HardPose{"round values, J2 nudged",
                             CrxModel::Crx20iAL,
                             {-174.9536124828964, 90.00078813307319, 0.0, -180.0, 0.0, 179.9999970495427}},
                    HardPose{"round values, J2 nudged",
                             CrxModel::Crx5iA,
                             {-174.9536124828964, 90.00078813307319, 0.0, -180.0, 0.0, 179.9999970495427}}));

// Nearly folded (P 6.4 mm from the shoulder) with the wrist nearly straight: at q's circle angle both
// branch residuals cross zero, but the ordinary pass refined g_- from roots 3e-3 rad away into its
// other zero, 9e-4 rad off beyond a bump of 5e-8, so only g_+ gave a candidate at q's angle.
INSTANTIATE_TEST_SUITE_P(FoldedWithNearlyStraightWrist, BothBranchesVanish,
                         testing::Values(HardPose{"round values, J2 and J5 nudged",
                                                  CrxModel::Crx10iA,
                                                  {-79.89075628015199, -179.31858449784636, 90.0, -180.0,
                                                   -0.014358345256649719, 90.0}}));

// Stretched down the J1 axis with P 0.08 mm off it, on an arm of its own (the catalogued ones list
// this q): both starts at q's circle angle stalled at 6e-8, their polish ended by a step that
// overshot the near-double root, and the nearest row lay 2.4° away.
TEST(HardPoses, StretchedDownTheAxisOnAnArmOfItsOwn) {
  const Crx robot =
      Crx::from_params(354.7059996317447, 307.54442843186246, 199.4075421822177, 166.4227698015);
  const JointVector q{5.26382886014214e-08, -179.9869888898911,  -89.99975415554854,
                      -0.02146935366206576, -113.37615215426936, 180.0000003322724};
  solve_covering(robot, target_as_passed(robot, q), q);
}

// Down the J1 axis with the elbow fully bent, P a fraction of a millimetre off the axis and 2e-6 rad
// of circle angle inside the folded reach: a branch residual dips about 1e-8 below zero between two
// zeros 7e-7 rad apart, both between two samples of the search next to the boundary, and the nearest
// row lay 2e-4 to 5e-4 rad from q, its chord leaving the target by 1.5e-6.
struct ArmPose {
  std::array<double, 4> params;
  JointVector q;
};

std::ostream& operator<<(std::ostream& out, const ArmPose& c) {
  out << "arm (" << c.params[0] << " " << c.params[1] << " " << c.params[2] << " " << c.params[3] << ") q (";
  for (const double v : c.q) out << v << " ";
  return out << ")";
}

class TwoZerosNextToTheFoldedBoundary : public testing::TestWithParam<ArmPose> {};

TEST_P(TwoZerosNextToTheFoldedBoundary, ListTheGeneratingVector) {
  const ArmPose& c = GetParam();
  const Crx robot = Crx::from_params(c.params[0], c.params[1], c.params[2], c.params[3]);
  solve_covering(robot, target_as_passed(robot, c.q), c.q);
}

INSTANTIATE_TEST_SUITE_P(
    DownTheAxis, TwoZerosNextToTheFoldedBoundary,
    testing::Values(ArmPose{{937.2440010904717, 590.8747343732557, 131.6803642423967, 195.30352124007663},
                            {11.708964834980037, -180.0, 90.02161354344327, -179.94186011249045,
                             -161.7665168187627, -35.99738659512144}},
                    ArmPose{{354.7059996317447, 307.54442843186246, 199.4075421822177, 166.4227698015},
                            {130.83065321910425, 0.0, -90.02262111096918, 0.03801667045863155,
                             28.492078994393836, 141.0601286654378}}));

// Nearly folded (P 12.5 mm from the shoulder) with the wrist nearly straight: one branch residual
// crosses zero at q's circle angle with a slope of 3e-4, bends back over a bump of 1e-7 and crosses
// again 1.3e-3 rad on, where the ordinary roots led. Those roots cluster 2e-3 rad from q's angle,
// and the cluster's scan ended short of it.
TEST(HardPoses, APartnerZeroBeyondItsCluster) {
  const Crx robot = Crx::crx10ia();
  const JointVector q{-90.0, 178.6730423275347, 90.0, 179.9206038253374, 180.00220452097608, -90.0};
  solve_covering(robot, target_as_passed(robot, q), q);
}

// Nearly folded with the wrist nearly straight, F has two double roots a few 1e-3 rad apart, or
// more, one at q's circle angle. The eigenvalues there were close to it, but Newton on the flat
// constraint carried them onto the other pair, where they merged, so no root and no scan window was
// left at q's angle. On the CRX-10iA, P 0.35 mm from the shoulder, J5 7e-8 degrees from straight,
// the eigenvalue 2e-7 rad from q's angle and carried 2.3e-3 rad; on an arm with z1 = x1, P 0.04 mm
// from the shoulder, J5 3e-4 degrees from straight, the eigenvalues 1.1e-2 rad off and carried as
// far again.
class OnArmsOfTheirOwn : public testing::TestWithParam<ArmPose> {};

TEST_P(OnArmsOfTheirOwn, ListTheGeneratingVectorAndItsTwin) {
  const ArmPose& c = GetParam();
  const Crx robot = Crx::from_params(c.params[0], c.params[1], c.params[2], c.params[3]);
  const Pose target = target_as_passed(robot, c.q);
  const std::vector<IkSolution> solutions = solve_covering(robot, target, c.q);
  EXPECT_TRUE(covers(robot, solutions, twin_of(c.q), target));
}

INSTANTIATE_TEST_SUITE_P(
    ARootCarriedOffItsZeros, OnArmsOfTheirOwn,
    testing::Values(ArmPose{{540.0, 540.0, 160.0, 150.0},
                            {-76.28504039548632, 152.94171381713159, -242.90434597949564, -4.376064170011944,
                             179.99999993355615, -157.46930554628088}},
                    ArmPose{
                        {475.1247136834191, 475.1247136834191, 80.8951017761477, 219.60883112507025},
                        {-89.99999997206828, -180.0, 90.00489205321249, -90.0, -179.99970153396742, 90.0}}));

// Folded on arms whose upper arm and forearm differ by micrometres (|z1 − x1| from 2e-6·z1 to
// 1e-4·z1): P lies on or next to the small folded sphere, where the elbow's in-line direction turns
// x1/|z1 − x1| times faster than the elbow bends, and q and its twin were missing. Each group below
// fails without one part of the mend: the boundary angles computed without cancellation (they were
// 1e-11 rad off, where the residual is already 1e-3); the angle bounds that admit a boundary angle
// whose residual the steep growth has carried past the residual bounds; the zero next to the
// boundary accepted where it is pinned between adjacent angles (the residual steps 2e-8 per bit of
// θ); the damped polish for a stalled start on the sphere; and plain Newton steps after it.
INSTANTIATE_TEST_SUITE_P(
    FoldedOntoASmallSphere, OnArmsOfTheirOwn,
    testing::Values(
        // The boundary angles off: round values 2 band widths from the shoulder; the residual 1e-3
        // at an angle 1.3e-11 rad off q's.
        ArmPose{{340.4111571717129, 340.4118379940272, 208.70145669372997, 233.93795393871403},
                {-90.0, 90.0, -180.0, 126.46770479861408, -180.0, -176.3819927060899}},
        ArmPose{{876.5914042439655, 876.5940340181781, 214.91098921569457, 143.36436324203848},
                {-51.684743116499675, -147.34072853500976, 57.34072853003809, 68.92208142485308,
                 62.70657537958539, -0.2008364576542192}},
        // The angle bounds: q 9.4e-8 rad from the boundary, the residual there 1.3e-2.
        ArmPose{{540.0, 540.054, 160.0, 150.0},
                {109.80105254833688, 110.85868430513773, -200.8587602865847, -77.11150316826902,
                 -160.58494714260368, -41.98720291721344}},
        // The pinned zero: P 2 and 5 band widths from the shoulder.
        ArmPose{{340.4111571717129, 340.4118379940272, 208.70145669372997, 233.93795393871403},
                {-70.17380098771233, 35.84518589403885, -125.845187484525, 136.73715786986043,
                 76.89517747267092, 179.71315522893144}},
        ArmPose{{518.9384168090373, 518.9358221169533, 126.14077324729851, 139.90395586736543},
                {-100.06162123051924, -33.9158142704097, -56.08418545918377, 146.8467524816174,
                 121.08756954305744, -44.99781080957183}},
        // The Newton finish: the damped polish stopped in the valley 2e-5 rad from q, at 6e-11.
        ArmPose{{672.6042674717107, 672.6062852845131, 100.84942536755179, 198.05086745964934},
                {67.04972135923623, 48.58893537954887, -138.5889353750971, 33.57719959425435,
                 -164.7862536482648, 154.86132669180176}},
        // The damped polish: the in-line start 2e-5 rad from q stalls at 3e-8.
        ArmPose{{540.0, 540.0054, 160.0, 150.0},
                {45.586159601252405, 105.71247871994024, -195.7124787328135, 36.81716958026638,
                 2.828634803981913, -145.71998270466622}}));

// Folded (P 2.2 mm from the shoulder) with the wrist 5e-4 degrees from straight: the searches
// found q's circle angle and built a start 1e-6 rad from q, but the undamped polish slid 9e-5 rad
// along a nearly flat direction and stalled at 4e-8, and no other row lay within 1e-5 rad of q.
TEST(HardPoses, AStartThatSlidOffAlongAFlatDirection) {
  const Crx robot =
      Crx::from_params(853.7521928090351, 855.9555923023703, 167.60534537716416, 128.58623461498408);
  const JointVector q{95.11571332190965,  -177.14071992015366, 87.14071991391482,
                      -96.22306886643875, -179.99953278476056, 152.304128364389};
  const Pose target = target_as_passed(robot, q);
  const std::vector<IkSolution> solutions = solve_covering(robot, target, q);
  EXPECT_TRUE(covers(robot, solutions, twin_of(q), target));
}

// Next to a family (P one to four band widths from the shoulder or the J1 axis) a configuration can
// reach the target well within the acceptance bound where the branch residual only dips close to
// zero without crossing it. Each of these is one that another solver reports for fk(q).
struct NextToFamilyPose {
  const char* family;
  CrxModel model;
  JointVector q;
  JointVector reported;
};

std::ostream& operator<<(std::ostream& out, const NextToFamilyPose& c) {
  return out << HardPose{c.family, c.model, c.q};
}

class NextToAFamily : public testing::TestWithParam<NextToFamilyPose> {};

TEST_P(NextToAFamily, ListTheConfigurationAnotherSolverReports) {
  const NextToFamilyPose& c = GetParam();
  const Crx robot = Crx::from_model(c.model);
  const Pose target = target_as_passed(robot, c.q);
  ASSERT_LE(max_abs_error(pose_error(robot, c.reported, target)), MAX_RESIDUAL);
  const std::vector<IkSolution> solutions = solve_ik(robot, target);
  ASSERT_FALSE(solutions.empty());
  expect_valid_and_distinct(robot, solutions, target);
  EXPECT_TRUE(covers(robot, solutions, c.reported, target));
}

INSTANTIATE_TEST_SUITE_P(
    MinimaJustAboveZero, NextToAFamily,
    testing::Values(NextToFamilyPose{"folded, P 3.5 band widths from the shoulder",
                                     CrxModel::Crx3iA,
                                     {79.14689137834011, -21.94051625368712, -68.05928415360948,
                                      17.649984560027633, 21.024900052515306, -161.17586391144144},
                                     {-280.84281859188434, -201.95300572265452, 111.95280602437198,
                                      -17.640439953345698, -158.98778706435752, 198.82413638796007}},
                    NextToFamilyPose{"along the axis, the reported P 1.2 band widths off it",
                                     CrxModel::Crx3iA,
                                     {-135.71830719169202, -180.0, 89.99999999599122, -13.541815442741068,
                                      -50.270843875919525, 139.9139181851043},
                                     {-122.17649173803247, 50.268965590055544, -140.26886281209835,
                                      -0.00025925970987701586, -180.00198106773436, 139.91365893169095}},
                    NextToFamilyPose{"round values, the reported P 1.2 band widths off the axis",
                                     CrxModel::Crx10iA,
                                     {179.99996784894685, 1.6643411123457397e-07, -90.0, -78.87900091532622,
                                      179.9999999568303, -180.0},
                                     {-258.74725716813134, -180.00007093751233, 89.99999999990817,
                                      -359.86796884262, -4.3077860919117276e-08, 179.99974474086804}}));

// Inside the shoulder band on the arms with z1 = x1, a target a hair from a family's has isolated
// configurations along the family's tube instead of the family. The band excuses q, but the list
// used to hold nothing within degrees of it: its whole family was missing. q, or its neighbour on the
// tube, must be listed.
// - Folded (J2 + J3 within 2e-7° of -90): P lies a few 1e-10·z1 from the shoulder, where the branch
//   residual turns so fast that its zeros are pinned between adjacent doubles.
// - Along the J1 axis (J2 at ±180, J3 a hair above 90): the elbow is on the axis and P a hair off it,
//   so J1 must face P, whose azimuth the searches built the elbow in.
struct InsideTheShoulderBandPose {
  CrxModel model;
  JointVector q;
  double within;  // radians, every joint
};

class InsideTheShoulderBand : public testing::TestWithParam<InsideTheShoulderBandPose> {};

TEST_P(InsideTheShoulderBand, ListAConfigurationNextToTheGeneratingOne) {
  const InsideTheShoulderBandPose& c = GetParam();
  const Crx robot = Crx::from_model(c.model);
  const std::vector<IkSolution> solutions = solve_from_inside_bands(robot, c.q);
  double nearest = std::numeric_limits<double>::infinity();
  for (const IkSolution& s : solutions) nearest = std::min(nearest, circular_joint_distance(s.joints, c.q));
  EXPECT_LE(nearest, c.within);
}

INSTANTIATE_TEST_SUITE_P(
    FoldedAHairFromTheFamily, InsideTheShoulderBand,
    testing::Values(InsideTheShoulderBandPose{CrxModel::Crx3iA,
                                              {115.46983516690767, 84.74769683403235, -174.74769702001277,
                                               -29.003357270837995, 153.9203129403075, -66.76081895923362},
                                              DUPLICATE_DISTANCE},
                    InsideTheShoulderBandPose{CrxModel::Crx3iA,
                                              {60.521331533293306, 107.7440741739531, -197.74407384869482,
                                               161.42945078478425, 85.53673225384625, 31.052660787784248},
                                              DUPLICATE_DISTANCE},
                    // P 2.4e-10·z1 from the shoulder: the listed neighbour lies 0.003° along the tube.
                    InsideTheShoulderBandPose{CrxModel::Crx10iA,
                                              {-84.27706451131588, -35.62755578329154, -54.37244423047021,
                                               -1.8811413872344644, -120.4615198493062, 6.119209227254885},
                                              1e-4}));

INSTANTIATE_TEST_SUITE_P(
    AlongTheAxisAHairFromTheFamily, InsideTheShoulderBand,
    testing::Values(InsideTheShoulderBandPose{CrxModel::Crx10iA,
                                              {116.13294877088737, -180.0, 90.00000213564229,
                                               48.356621995219285, -54.2088229004553, 79.87748804393942},
                                              DUPLICATE_DISTANCE},
                    InsideTheShoulderBandPose{CrxModel::Crx10iA,
                                              {-133.32708141774015, -180.0, 90.00001148887857,
                                               48.794733903718225, 33.254299676286735, -103.04015440409692},
                                              DUPLICATE_DISTANCE},
                    InsideTheShoulderBandPose{CrxModel::Crx3iA,
                                              {98.87704368512283, 180.0, 90.00000023195206,
                                               157.21749379426467, 31.469433554990758, 94.50171729824501},
                                              DUPLICATE_DISTANCE}));

// P at a special angle inside the shoulder band but a hair above or below the shoulder: the family
// exists only approximately, its member stalled short of the target, and the list held nothing with
// P within 40 mm of the shoulder. A row with P in the shoulder band and q's J6 (fixed along the
// family) must stand for it.
class OffTheShoulderInItsBand : public testing::TestWithParam<HardPose> {};

TEST_P(OffTheShoulderInItsBand, ListAMemberOfTheFamilysTube) {
  // Degrees: far below the tens that part the target's other solutions' J6.
  constexpr double SAME_J6 = 1.0;
  const HardPose& c = GetParam();
  const Crx robot = Crx::from_model(c.model);
  const std::vector<IkSolution> solutions = solve_from_inside_bands(robot, c.q);
  EXPECT_TRUE(std::any_of(solutions.begin(), solutions.end(), [&](const IkSolution& s) {
    const Vec3 p = forearm_point(robot, s.joints);
    return norm(p) <= 1e-6 * robot.z1() &&
           std::abs(testing_support::wrapped_degrees(s.joints[5] - c.q[5])) <= SAME_J6;
  }));
}

INSTANTIATE_TEST_SUITE_P(
    RoundAndFolded, OffTheShoulderInItsBand,
    testing::Values(
        // P 1.4e-4 mm below the shoulder, 4e-11 mm off the axis: the elbow off the axis fixes J1.
        HardPose{"round values",
                 CrxModel::Crx3iA,
                 {179.99972128751253, 90.0, 180.00002947194832, -56.52320845131895, -90.0, -90.0}},
        // P 1.3e-6 mm from the shoulder: Gauss-Newton stalls at 9e-8 on the family's member.
        HardPose{"folded",
                 CrxModel::Crx10iA,
                 {53.3465568929243, -59.4241357453096, -30.57586412105809, -8.643700303181276,
                  59.1245012355607, 149.69981606547356}},
        // P 2.5e-6 mm from the shoulder: the damped polish of the member stops at 1.3e-8, and only
        // minima of the branch residuals, a hair from the special angle, lead into the tube.
        HardPose{"folded",
                 CrxModel::Crx3iA,
                 {-81.14854288060307, 125.48096437506928, -215.4809648812609, -147.4692632563466,
                  -49.79912097560532, 44.97386457680426}},
        // P 2e-8 mm from the shoulder, and the circle passes it sideways: the member's horizontal
        // elbow moves P only vertically and stalls at 1.3e-8 with its damped polish, the residuals'
        // dip is 1e-15 rad wide, and only the member with its elbow turned about N reaches.
        HardPose{"folded",
                 CrxModel::Crx10iA,
                 {46.2039172328968, -138.5745292199589, 48.57452922210821, -163.76701455520902,
                  39.60055161368555, 43.12369551622291}},
        // P 3e-6 mm from the shoulder and 8.5e-7 mm off the axis: every restart stalls, and the
        // residual's crossings 3e-11 rad apart lie within its rounding (1e-7) of zero, so they are
        // neither verified nor told from a jump by shrinking.
        HardPose{"folded",
                 CrxModel::Crx10iA,
                 {-9.706575874510634, 106.55387668375158, -196.5538763685704, 142.76207504153,
                  -69.41554463082764, -109.64972841074079}}));

// P at the shoulder with J4 at 0 or ±180: J2 and J5 trade along parallel axes, and for a target a
// hair off the trade the configurations reaching it form a tube that the upper arm along the J1
// axis and the straight wrist pinch into pieces. The list used to miss pieces that another solver
// reports points of (each reaching the target to 1e-8 and joined to no row). A row must lie in the
// reported point's piece: on the same trade, the upper arm on the same side of the J1 axis and the
// wrist bent the same way.
struct TradePiecePose {
  CrxModel model;
  JointVector q;
  JointVector reported;
};

std::ostream& operator<<(std::ostream& out, const TradePiecePose& c) {
  return out << HardPose{"J2/J5 trade", c.model, c.q};
}

bool in_one_trade_piece(const JointVector& a, const JointVector& b) {
  // Degrees: the tube's points stray some 1e-3 from the exact trade.
  constexpr double ON_TRADE = 0.1;
  const auto close = [](double d) { return std::abs(testing_support::wrapped_degrees(d)) <= ON_TRADE; };
  const auto positive_sine = [](double degrees) { return std::sin(degrees * DEG_TO_RAD) > 0.0; };
  // J5 turns with J2 for J4 = 0 and against it for J4 = ±180.
  const double s = close(a[3]) ? 1.0 : -1.0;
  return close(a[0] - b[0]) && close(a[3] - b[3]) && close(a[5] - b[5]) &&
         close((a[1] + a[2]) - (b[1] + b[2])) && close((a[4] - s * a[1]) - (b[4] - s * b[1])) &&
         positive_sine(a[1]) == positive_sine(b[1]) && positive_sine(a[4]) == positive_sine(b[4]);
}

class TradeAtTheShoulder : public testing::TestWithParam<TradePiecePose> {};

TEST_P(TradeAtTheShoulder, ListARowInTheReportedPiece) {
  const TradePiecePose& c = GetParam();
  const Crx robot = Crx::from_model(c.model);
  ASSERT_LE(max_abs_error(pose_error(robot, c.reported, fk(robot, c.q))), MAX_RESIDUAL);
  const std::vector<IkSolution> solutions = solve_from_inside_bands(robot, c.q);
  EXPECT_TRUE(std::any_of(solutions.begin(), solutions.end(),
                          [&](const IkSolution& s) { return in_one_trade_piece(s.joints, c.reported); }));
}

// Round values on the CRX-3iA, P 0.77 and 0.08 band widths from the shoulder; for each target a
// reported point on either side of the J1 axis (the member and its twin).
constexpr JointVector TRADE_Q1 = {0.0,    89.99995586579904,  -180.0,
                                  -180.0, 127.70873599883713, 27.171496119326136};
constexpr JointVector TRADE_Q2 = {
    180.0, 90.0, -180.0000047048266, -180.0, -86.89284620877905, 112.06740267074719};

INSTANTIATE_TEST_SUITE_P(
    RoundValues, TradeAtTheShoulder,
    testing::Values(TradePiecePose{CrxModel::Crx3iA,
                                   TRADE_Q1,
                                   {-0.00023158652208482672, 205.67447742342725, -295.67464488968994,
                                    -180.00067939385937, -347.965908890258, 27.171977367486914}},
                    TradePiecePose{CrxModel::Crx3iA,
                                   TRADE_Q1,
                                   {-180.00021748361647, -207.10746885482726, 117.10765864454869,
                                    -0.0007230712144064875, -349.39892264508626, 27.172034791162297}},
                    TradePiecePose{CrxModel::Crx3iA,
                                   TRADE_Q2,
                                   {-0.0010434790073577346, -180.6515025699798, 90.65161217080382,
                                    -0.0013200170421523974, -177.54445367461946, 112.06712581078789}},
                    TradePiecePose{CrxModel::Crx3iA,
                                   TRADE_Q2,
                                   {179.99851527039866, -179.54213226890715, 89.54203068564453,
                                    179.99825897689956, -177.35081081812743, 112.06714605526231}}));

// Down the J1 axis on an arm with z1 = x1, P 4e-8 mm from the shoulder, where the wrist's circle
// runs tangent to the axis: a dozen special angles within 4e-4 rad of q's, each a family member that
// the undamped polish stalls on at 3e-8 to 6e-8, and none inside the shoulder band, so no restart
// there. The list held only the target's four other solutions, tens of degrees of J6 away.
TEST(HardPoses, AFamilyWhereTheCircleRunsAlongTheAxis) {
  // Degrees: far below the tens that part the target's other solutions' J6.
  constexpr double SAME_J6 = 1.0;
  // Band widths: a point of the family's tube, not another solution (those keep P 400 mm away).
  constexpr double TUBE_BANDS = 10.0;
  const Crx robot =
      Crx::from_params(475.1247136834191, 475.1247136834191, 80.8951017761477, 219.60883112507025);
  const JointVector q{-180.0, -180.0, 90.00000000494109, 90.0, 90.0, -147.41287581531287};
  const std::vector<IkSolution> solutions = solve_from_inside_bands(robot, q);
  EXPECT_TRUE(std::any_of(solutions.begin(), solutions.end(), [&](const IkSolution& s) {
    return norm(forearm_point(robot, s.joints)) <= TUBE_BANDS * 1e-6 * robot.z1() &&
           std::abs(testing_support::wrapped_degrees(s.joints[5] - q[5])) <= SAME_J6;
  }));
}

// Inside the family bands only some member need be listed, but never none.
TEST(HardPoses, AFamilyMemberOnTheAxisWithTheWristStraight) {
  const Crx robot = Crx::crx5ia();
  const JointVector q{-90.0, -1.6154401088543098e-07, 90.0, 89.99999400259424, 0.0, 23.7605978918443};
  EXPECT_FALSE(solve_from_inside_bands(robot, q).empty());
}

// A hair from poses where families overlap (the arm along the J1 axis with the wrist straight; P at
// the shoulder with J4 at 0), a branch residual stays within rounding of zero over a long stretch,
// and rounding scatters minima all through it. Each used to be listed: hundreds of rows (the count
// before in each comment), all of one family's tube. The stretch is one; its ends and a few inside
// points stand for it.
struct WhereFamiliesMeetPose {
  CrxModel model;
  JointVector q;
};

std::ostream& operator<<(std::ostream& out, const WhereFamiliesMeetPose& c) {
  return out << HardPose{"where families meet", c.model, c.q};
}

class WhereFamiliesMeet : public testing::TestWithParam<WhereFamiliesMeetPose> {};

TEST_P(WhereFamiliesMeet, ListTheFamilyInAFewRowsNotHundreds) {
  // The benchmark's round values now give at most about 90 rows.
  constexpr std::size_t FEW_ROWS = 100;
  const WhereFamiliesMeetPose& c = GetParam();
  const Crx robot = Crx::from_model(c.model);
  const std::vector<IkSolution> solutions = solve_from_inside_bands(robot, c.q);
  EXPECT_LE(solutions.size(), FEW_ROWS);
  EXPECT_TRUE(std::any_of(solutions.begin(), solutions.end(),
                          [&](const IkSolution& s) { return in_family_band(robot, s.joints); }));
}

INSTANTIATE_TEST_SUITE_P(
    RoundValues, WhereFamiliesMeet,
    testing::Values(
        // 488 rows before
        WhereFamiliesMeetPose{CrxModel::Crx10iA, {30.0, -1e-7, -90.0, -90.0, 180.0, 0.0}},
        // 758
        WhereFamiliesMeetPose{CrxModel::Crx10iA,
                              {-97.92726658274857, -180.00000010003757, 90.0, 90.0, 180.0, -90.0}},
        // 334
        WhereFamiliesMeetPose{
            CrxModel::Crx10iA,
            {111.44253619907937, -2.041557489776243e-09, -90.0, -90.0, -180.0, 4.22718880519823e-05}},
        // 658
        WhereFamiliesMeetPose{CrxModel::Crx3iA, {90.0, -90.0, -1.4732525021393308e-09, 0.0, -90.0, 0.0}}));

// A small deterministic sweep over the hard families; the benchmark runs the large one.
enum class Family { RoundValues, Folded, Stretched, WristStraight, StretchedWristStraight, AlongAxis };

JointVector hard_joints(Family family, testing_support::Random& random) {
  const auto nudge = [&] {
    if (random.unit() < 0.1) return 0.0;
    const double size = std::pow(10.0, -9.0 + 8.0 * random.unit());
    return random.unit() < 0.5 ? -size : size;
  };
  const auto round_value = [&] { return -180.0 + 90.0 * static_cast<double>(random.next() % 5); };
  JointVector q;
  for (double& j : q) j = random.joint();
  switch (family) {
    case Family::RoundValues:
      for (double& j : q) {
        if (random.unit() < 0.6) j = round_value() + (random.unit() < 0.5 ? nudge() : 0.0);
      }
      break;
    case Family::Folded:
      q[2] = -90.0 + nudge() - q[1];
      break;
    case Family::Stretched:
      q[2] = 90.0 + nudge() - q[1];
      break;
    case Family::WristStraight:
      q[4] = (random.unit() < 0.5 ? 0.0 : 180.0) + nudge();
      break;
    case Family::StretchedWristStraight:
      q[2] = 90.0 + nudge() - q[1];
      q[4] = (random.unit() < 0.5 ? 0.0 : 180.0) + nudge();
      break;
    case Family::AlongAxis:
      q[1] = random.unit() < 0.5 ? 0.0 : 180.0;
      q[2] = (random.unit() < 0.5 ? -90.0 : 90.0) + nudge();
      break;
  }
  return q;
}

class HardFamilies : public testing::TestWithParam<std::tuple<Family, CrxModel>> {};

TEST_P(HardFamilies, EveryIsolatedSolutionIsListed) {
  constexpr int SAMPLES = 60;
  const auto [family, model] = GetParam();
  const Crx robot = Crx::from_model(model);
  testing_support::Random random{7000 + 16 * static_cast<std::uint64_t>(family) +
                                 static_cast<std::uint64_t>(model)};
  for (int n = 0; n < SAMPLES; ++n) {
    const JointVector q = hard_joints(family, random);
    const Pose target = fk(robot, q);
    const std::vector<IkSolution> solutions = solve_ik(robot, target);
    const HardPose described{"sweep", model, q};
    ASSERT_FALSE(solutions.empty()) << described;
    expect_valid_and_distinct(robot, solutions, target);
    if (!in_family_band(robot, q)) {
      EXPECT_TRUE(covers(robot, solutions, q, target)) << described;
    }
  }
}

std::string family_case_name(const testing::TestParamInfo<HardFamilies::ParamType>& info) {
  static const char* const FAMILIES[] = {
      "RoundValues", "Folded", "Stretched", "WristStraight", "StretchedWristStraight", "AlongAxis"};
  return std::string(FAMILIES[static_cast<int>(std::get<0>(info.param))]) + "_Model" +
         std::to_string(static_cast<int>(std::get<1>(info.param)));
}

INSTANTIATE_TEST_SUITE_P(AllModels, HardFamilies,
                         testing::Combine(testing::Values(Family::RoundValues, Family::Folded,
                                                          Family::Stretched, Family::WristStraight,
                                                          Family::StretchedWristStraight, Family::AlongAxis),
                                          testing::Values(CrxModel::Crx3iA, CrxModel::Crx5iA,
                                                          CrxModel::Crx10iA, CrxModel::Crx10iAL,
                                                          CrxModel::Crx20iAL, CrxModel::Crx30iA)),
                         family_case_name);

// The J5 origin W on the J1 axis with the flange's z axis along it: turning the whole arm about the
// axis keeps the pose once J6 turns the flange back, (J1 + d, J2, J3, J4, J5, J6 ± d). This needs the
// upper arm y1 from the axis (J2 = ±asin(y1/z1) or 180° from it) with the forearm vertical (J3 =
// ±90), and 16 of the combinations with J4 = ±90 and J5 at 0 or 180 give it. fk of each used to come
// back empty, and so did a target a hair off (1e-13° to 1e-11° on J2 to J5): the circle constraint
// vanishes there to rounding, and its roots are rounding too.
class CoaxialWristCircle : public testing::TestWithParam<CrxModel> {};

TEST_P(CoaxialWristCircle, ListsAMemberOfTheFamilyJoinedToQ) {
  const Crx robot = Crx::from_model(GetParam());
  const double upper_arm_tilt = std::asin(robot.y1() / robot.z1()) / DEG_TO_RAD;
  testing_support::Random random{7300 + static_cast<std::uint64_t>(GetParam())};
  int coaxial = 0;
  for (const double j2 : {upper_arm_tilt, -upper_arm_tilt, 180.0 - upper_arm_tilt, upper_arm_tilt - 180.0}) {
    for (const double j3 : {90.0, -90.0}) {
      for (const double j4 : {90.0, -90.0}) {
        for (const double j5 : {0.0, 180.0}) {
          JointVector q{random.joint(), j2, j3, j4, j5, random.joint()};
          const Pose exact = fk(robot, q);
          const Vec3 z = quaternion_rotate(exact.rotation, Vec3{0.0, 0.0, 1.0});
          const Vec3 w =
              subtract(exact.translation, Vec3{robot.x2() * z[0], robot.x2() * z[1], robot.x2() * z[2]});
          if (!(std::hypot(w[0], w[1]) < 1e-9 && std::hypot(z[0], z[1]) < 1e-12)) continue;
          ++coaxial;
          solve_covering(robot, exact, q);
          // A hair off: J2 to J5 each moved by up to 1e-11°.
          for (int k = 1; k < 5; ++k)
            q[k] += std::pow(10.0, -13.0 + 2.0 * random.unit()) * (random.unit() - 0.5);
          solve_covering(robot, fk(robot, q), q);
        }
      }
    }
  }
  EXPECT_EQ(coaxial, 16);
}

INSTANTIATE_TEST_SUITE_P(AllModels, CoaxialWristCircle,
                         testing::Values(CrxModel::Crx3iA, CrxModel::Crx5iA, CrxModel::Crx10iA,
                                         CrxModel::Crx10iAL, CrxModel::Crx20iAL, CrxModel::Crx30iA));

}  // namespace
}  // namespace talvane
