#include "ik/solve_ik.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>

#include "fk.hpp"
#include "ik/axis_crossings.hpp"
#include "ik/circle_candidates.hpp"
#include "ik/damped_refine.hpp"
#include "ik/hard_pose_candidates.hpp"
#include "ik/ik_context.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/mirrored_arm.hpp"
#include "ik/newton_finish.hpp"
#include "ik/reconstruct_joints.hpp"
#include "ik/refine_joints.hpp"
#include "ik/shoulder_trade.hpp"
#include "ik/wrist_circle.hpp"
#include "ik/zero_offset_candidates.hpp"
#include "vec3.hpp"

namespace talvane {

namespace {

constexpr std::size_t INITIAL_CAPACITY = 16;
// A polished vector that misses the target by at most this much is retried with the damped polisher.
constexpr double RESCUE_RESIDUAL = 1.0;
// A start of the searches of hard poses whose undamped polish stalled below this (ten times the
// acceptance bound) after sliding more than SLIDE_RATIO times as far as its own error accounts for
// (radians times z1 against millimetres) went astray along a nearly flat direction next to a
// solution, and is handed to the damped polish at once.
constexpr double NEAR_MISS_RESIDUAL = 1e-7;
constexpr double SLIDE_RATIO = 100.0;
// On an arm whose folded reach boundary is a small sphere (|z1 − x1| at most this share of z1) the
// elbow's in-line direction turns some x1/|z1 − x1| times faster than the elbow bends. The in-line
// starts on that sphere then lie far from the solutions next to it (0.1 mm of error, median, with
// |z1 − x1| a few micrometres), on a singular arm where the undamped polish stalls, and a stalled
// one is handed to the damped polish at once. On the catalogued arms the sphere is 20 mm or more,
// or absent (z1 = x1).
constexpr double SMALL_FOLDED_SHARE = 1e-3;
// A listed row with P within this share of z1 of a family's common P (the shoulder, or a point of
// the J1 axis) lies on the family's tube (which reaches some ten band widths out) and stands for
// the family; the target's other solutions keep P tens of millimetres away.
constexpr double FAMILY_TUBE_SHARE = 1e-3;

// Whether some listed solution lies within the duplicate distance of joints, less slack.
bool near_listed(const std::vector<IkSolution>& solutions, const JointVector& joints, double slack = 0.0) {
  return std::any_of(solutions.begin(), solutions.end(), [&](const IkSolution& kept) {
    return within_circular_distance(joints, kept.joints, DUPLICATE_DISTANCE, slack);
  });
}

// A rebuilt joint vector whose polishing stalled, kept to be retried after the ordinary pass.
struct StalledStart {
  JointVector rebuilt;
  double theta;
  SolutionKind kind;
};

class SolutionCollector {
 public:
  SolutionCollector(const Crx& robot, const Pose& target) : robot_(robot), target_(target) {
    solutions_.reserve(INITIAL_CAPACITY);
    offered_.reserve(INITIAL_CAPACITY);
  }

  // Polishes a rebuilt vector and offers it to the list, answering whether it was listed; a stalled
  // one is kept for the retry. A start equal to one offered before would polish exactly as that one
  // did, so into nothing new.
  bool offer(const JointVector& rebuilt, double theta, SolutionKind kind) {
    return offer_polished(rebuilt, theta, kind).listed;
  }

  void offer_candidate(const IkContext& ctx, const CircleCandidate& candidate) {
    for (const JointVector& rebuilt :
         reconstruct_joints(ctx, candidate.elbow, candidate.circle_point, candidate.theta)) {
      offer(rebuilt, candidate.theta, candidate.kind);
    }
  }

  // For the searches of hard poses, which find many starts next to solutions already listed: one
  // that is already a duplicate would only polish into one.
  bool offer_if_new(const JointVector& rebuilt, double theta, SolutionKind kind) {
    return !near_listed(solutions_, rebuilt) && offer(rebuilt, theta, kind);
  }

  // Offers every one of `rebuilt` that is new, answering whether any was listed.
  bool offer_each_if_new(std::span<const JointVector> rebuilt, double theta, SolutionKind kind) {
    bool listed = false;
    for (const JointVector& joints : rebuilt) listed = offer_if_new(joints, theta, kind) || listed;
    return listed;
  }

  // Each candidate of those searches is a verified zero of a branch residual or an in-line
  // configuration on the reach boundary, so its starts lie next to solutions. At a doubly singular
  // pose (the arm folded with the wrist nearly straight) the undamped polish can still slide off
  // along a nearly flat direction, 9e-5 rad from a start 1e-6 rad from the solution, and stall at
  // 4e-8; the damped polish then follows the valley down from the start instead. With
  // `damp_any_stall` it does so from any stalled start: on a small folded sphere (see
  // SMALL_FOLDED_SHARE), and for an arm without lateral offset.
  void offer_candidate_if_new(const IkContext& ctx, const CircleCandidate& candidate, bool damp_any_stall) {
    for (const JointVector& joints :
         reconstruct_joints_in_plane_of_p(ctx, candidate.elbow, candidate.circle_point, candidate.theta)) {
      offer_start_if_new(joints, candidate.theta, candidate.kind, damp_any_stall);
    }
  }

  // Offers a start that is new, handing it to the damped polish where its undamped polish slid
  // into a near miss or, with `damp_any_stall`, stalled at all (as at the trade's pieces at the
  // shoulder, where the undamped polish can stop at 1.1e-8 in a piece that reaches 8e-11).
  void offer_start_if_new(const JointVector& joints, double theta, SolutionKind kind, bool damp_any_stall) {
    if (near_listed(solutions_, joints)) return;
    const Offered offered = offer_polished(joints, theta, kind);
    if (offered.listed || !offered.polish) return;
    const bool hand_over =
        damp_any_stall ? stalled(*offered.polish) : slid_into_near_miss(joints, *offered.polish);
    if (!hand_over) return;
    stalled_.pop_back();  // the record kept of this stall: it is retried here instead
    offer_damped(joints, theta, kind);
  }

  std::size_t stalled_count() const { return stalled_.size(); }
  bool empty() const { return solutions_.empty(); }
  const std::vector<IkSolution>& listed() const { return solutions_; }

  // Whether some listed row has its forearm point P within `distance` of `point`.
  bool lists_forearm_point_within(const Vec3& point, double distance) const {
    return std::any_of(solutions_.begin(), solutions_.end(), [&](const IkSolution& s) {
      return norm(subtract(forearm_point(robot_, s.joints), point)) <= distance;
    });
  }

  // Polishes a rebuilt vector with the damped polisher, finishes it with plain Newton steps where
  // that stopped in a flat valley short of CONVERGED_ERROR, and offers it to the list.
  void offer_damped(const JointVector& rebuilt, double theta, SolutionKind kind) {
    JointVector joints = refine_joints_damped(robot_, rebuilt, target_);
    double residual = max_abs_error(pose_error(robot_, joints, target_));
    if (residual > CONVERGED_ERROR) {
      joints = finish_newton(robot_, joints, target_);
      residual = max_abs_error(pose_error(robot_, joints, target_));
    }
    admit_solution(solutions_, IkSolution{joints, residual, theta, kind});
  }

  // The damped retry of every stalled start.
  void retry_stalled() {
    for (const StalledStart& start : stalled_) offer_damped(start.rebuilt, start.theta, start.kind);
    stalled_.clear();
  }

  std::vector<IkSolution> take() { return std::move(solutions_); }

 private:
  // What offer did with a start: whether it was listed, and its polish where one ran to its end.
  struct Offered {
    bool listed = false;
    std::optional<RefinedJoints> polish;
  };

  Offered offer_polished(const JointVector& rebuilt, double theta, SolutionKind kind) {
    if (std::find(offered_.begin(), offered_.end(), rebuilt) != offered_.end()) return {};
    offered_.push_back(rebuilt);
    const RefinedJoints refined = refine_joints_with_error(
        robot_, rebuilt, target_, [this](const JointVector& joints, double step_length) {
          return heading_for_known(joints, step_length);
        });
    if (refined.given_up) return {};
    const bool listed = admit_solution(solutions_, IkSolution{refined.joints, refined.residual, theta, kind});
    if (stalled(refined)) stalled_.push_back({rebuilt, theta, kind});
    return {listed, refined};
  }

  // Whether a polish stopped short of the target, but near enough for the damped polish to try.
  static bool stalled(const RefinedJoints& polished) {
    return polished.residual > MAX_RESIDUAL && polished.residual <= RESCUE_RESIDUAL;
  }

  // Whether the polish from `start` stalled short of the target but within NEAR_MISS_RESIDUAL of it,
  // having slid much farther than the start's error accounts for.
  bool slid_into_near_miss(const JointVector& start, const RefinedJoints& polished) const {
    if (!(polished.residual > MAX_RESIDUAL && polished.residual < NEAR_MISS_RESIDUAL)) return false;
    const double start_error = max_abs_error(pose_error(robot_, start, target_));
    return circular_joint_distance(polished.joints, start) * robot_.z1() > SLIDE_RATIO * start_error;
  }

  // Whether polishing that has come this close to a listed solution can only end as its duplicate:
  // converging at least linearly with ratio 1/2, it moves on by at most its last step's length.
  bool heading_for_known(const JointVector& joints, double step_length) const {
    return near_listed(solutions_, joints, step_length);
  }

  const Crx& robot_;
  const Pose& target_;
  std::vector<IkSolution> solutions_;
  std::vector<StalledStart> stalled_;
  std::vector<JointVector> offered_;
};

// A special candidate's points leave J1 open (the reconstruction takes the elbow's azimuth, or 0);
// when its polishing stalls, the member of the family facing the circle point itself, which a hair
// off the axis still has an azimuth, is usually the one the target needs.
void restart_facing_circle_point(const IkContext& ctx, const CircleCandidate& candidate,
                                 SolutionCollector& collector) {
  const auto rebuilt =
      reconstruct_joints_facing_p(ctx, candidate.elbow, candidate.circle_point, candidate.theta);
  if (rebuilt) collector.offer_each_if_new(*rebuilt, candidate.theta, candidate.kind);
}

// With P inside the shoulder band, the member of the P-at-the-shoulder family stalls where the
// target lies a hair off the family's: the family exists only approximately. Usually the scans have
// listed points of the thin tube around it that reach the target. Where they have not, the target's
// solutions there are the isolated ones with P on the axis, a hair above or below the shoulder, and
// the elbow off it, whose branch residuals no scan can evaluate (P's azimuth is rounding). Failing
// those, the points of the tube a hair from the special angle, where the branch residuals have
// minima that the scans leave to the member inside the band. Failing those, the member whose elbow
// is turned a quarter turn about N(θ): the member's own elbow is usually horizontal, where a small
// step moves P only vertically, so it cannot follow a circle that passes the shoulder sideways,
// while the turned member can. Where those stall too (P within rounding of the shoulder), a damped
// step still slides into the tube.
void restart_off_the_shoulder(const IkContext& ctx, const CircleCandidate& candidate,
                              SolutionCollector& collector) {
  const double z1 = ctx.robot.z1();
  if (!(norm(candidate.circle_point) < AXIS_TOLERANCE * z1)) return;
  if (collector.lists_forearm_point_within(Vec3{0.0, 0.0, 0.0}, FAMILY_TUBE_SHARE * z1)) return;
  bool listed = false;
  for (const Vec3& elbow : axis_elbows_off_shoulder(ctx, candidate.theta)) {
    listed =
        collector.offer_each_if_new(reconstruct_joints(ctx, elbow, candidate.circle_point, candidate.theta),
                                    candidate.theta, SolutionKind::AxisDegenerate) ||
        listed;
  }
  if (listed) return;
  for (const CircleCandidate& minimum : shoulder_band_minima(ctx, candidate.theta)) {
    listed = collector.offer_each_if_new(
                 reconstruct_joints_in_plane_of_p(ctx, minimum.elbow, minimum.circle_point, minimum.theta),
                 minimum.theta, minimum.kind) ||
             listed;
  }
  if (listed) return;
  const Vec3 turned = cross(offset_direction(ctx, candidate.theta), candidate.elbow);
  if (collector.offer_each_if_new(reconstruct_joints(ctx, turned, candidate.circle_point, candidate.theta),
                                  candidate.theta, candidate.kind))
    return;
  for (const JointVector& joints :
       reconstruct_joints(ctx, candidate.elbow, candidate.circle_point, candidate.theta))
    collector.offer_damped(joints, candidate.theta, candidate.kind);
}

// A special candidate stands for the family whose members share its forearm point P, on the J1
// axis or at the shoulder. Where its starts stalled and the restarts above listed no row with P on
// that family's tube either, the family has no member listed: the damped polish follows the flat
// valley into it. (Down the axis, the wrist's circle tangent to it at the shoulder: every member a
// dozen special angles gave stalled at 3e-8 to 6e-8; the damped polish reaches 5e-10.)
void restart_damped_for_unlisted_family(const IkContext& ctx, const CircleCandidate& candidate,
                                        SolutionCollector& collector) {
  if (collector.lists_forearm_point_within(candidate.circle_point, FAMILY_TUBE_SHARE * ctx.robot.z1()))
    return;
  for (const JointVector& joints :
       reconstruct_joints(ctx, candidate.elbow, candidate.circle_point, candidate.theta))
    collector.offer_damped(joints, candidate.theta, candidate.kind);
}

// The circle search offers two elbows per circle angle, and the J2/J5 trade at the shoulder keeps
// one angle all along, so pieces of its tube can go unlisted (ik/shoulder_trade.hpp): each listed
// member of the family (P in the shoulder band) with J4 at 0 or ±180 offers a start in every piece
// that holds no row. The rows out on the tube stand for no trade of their own. Where the trade of
// any member reaches the target all around, the target lies on the family, not a hair off it, and
// its trades are whole.
void offer_shoulder_trade_pieces(const Crx& robot, const Pose& target, SolutionCollector& collector) {
  // A copy: the offers below extend the list.
  const std::vector<IkSolution> listed = collector.listed();
  std::vector<const IkSolution*> members;
  for (const IkSolution& row : listed) {
    if (j4_allows_trade(row.joints) &&
        norm(forearm_point(robot, row.joints)) <= AXIS_TOLERANCE * robot.z1()) {
      members.push_back(&row);
    }
  }
  const bool on_the_family = std::any_of(members.begin(), members.end(), [&](const IkSolution* m) {
    return trade_reaches_all_around(robot, target, m->joints);
  });
  if (on_the_family) return;
  for (const IkSolution* member : members) {
    for (const JointVector& start : shoulder_trade_starts(member->joints, listed))
      collector.offer_start_if_new(start, member->theta, SolutionKind::SingularFamily,
                                   /*damp_any_stall=*/true);
  }
}

// Whether the circle search met P at the shoulder: a special angle's family member there.
bool meets_shoulder(const IkContext& ctx, const CircleSearch& search) {
  const double tol = AXIS_TOLERANCE * ctx.robot.z1();
  return std::any_of(search.candidates.begin(), search.candidates.end(), [&](const CircleCandidate& c) {
    return c.kind == SolutionKind::SingularFamily && norm(c.circle_point) < tol;
  });
}

}  // namespace

bool admit_solution(std::vector<IkSolution>& solutions, const IkSolution& candidate) {
  // Written so that a NaN residual is refused.
  if (!(candidate.residual <= MAX_RESIDUAL)) return false;
  if (near_listed(solutions, candidate.joints)) return false;
  solutions.push_back(candidate);
  return true;
}

std::vector<IkSolution> solve_ik(const Crx& robot, const Pose& target, IkPasses passes) {
  if (has_negative_dimension(robot)) return solve_ik_mirrored(robot, target, passes);
  SolutionCollector collector(robot, target);
  const IkContext ctx = make_ik_context(robot, target);
  if (has_zero_offset(robot)) {
    // Few candidates, each next to a solution, its joints facing P down to rounding: a stall there
    // is a singular start next to a solution. This is the arm's only pass.
    for (const CircleCandidate& candidate : zero_offset_candidates(ctx)) {
      collector.offer_candidate_if_new(ctx, candidate, /*damp_any_stall=*/true);
    }
    return collector.take();
  }
  const CircleSearch search = search_circle(ctx);
  std::vector<const CircleCandidate*> stalled_specials;
  for (const CircleCandidate& candidate : search.candidates) {
    const std::size_t before = collector.stalled_count();
    collector.offer_candidate(ctx, candidate);
    if (candidate.kind != SolutionKind::Regular && collector.stalled_count() > before) {
      stalled_specials.push_back(&candidate);
    }
  }
  // Everything below comes after every solution of the ordinary pass, so that those keep their
  // places; it finds what the ordinary pass loses at singular and special poses.
  if (passes == IkPasses::OrdinaryOnly) return collector.take();
  const HardPoseCandidates hard = hard_pose_candidates(ctx, search);
  const bool small_folded_sphere = std::abs(robot.z1() - robot.x1()) <= SMALL_FOLDED_SHARE * robot.z1();
  for (std::size_t i = 0; i < hard.candidates.size(); ++i) {
    const bool on_small_sphere = small_folded_sphere && i >= hard.folded_begin && i < hard.folded_end;
    collector.offer_candidate_if_new(ctx, hard.candidates[i], on_small_sphere);
  }
  for (const CircleCandidate* candidate : stalled_specials) {
    restart_facing_circle_point(ctx, *candidate, collector);
    restart_off_the_shoulder(ctx, *candidate, collector);
    restart_damped_for_unlisted_family(ctx, *candidate, collector);
  }
  if (meets_shoulder(ctx, search)) offer_shoulder_trade_pieces(robot, target, collector);
  // The damped polish is slow and, after the searches above, needed only as a last resort: a
  // reachable target must never come back empty.
  if (collector.empty()) collector.retry_stalled();
  return collector.take();
}

}  // namespace talvane
