// Starts in every piece of the J2/J5 trade's tube at the shoulder.
//
// With P at the shoulder and J4 at 0 or ±180 the J2 and J5 axes are parallel lines through the
// shoulder, and (J1, J2 + e, J3 − e, J4, J5 + e, J6) keeps the pose for J4 = 0, with J5 − e for
// J4 = ±180: the elbow swings about the shoulder in the arm's plane. Where the target lies a hair
// off such a pose, the configurations reaching it to MAX_RESIDUAL form a tube around the trade,
// which the upper arm along the J1 axis (J2 at 0 or ±180) and the wrist straight (J5 at 0 or ±180)
// pinch into up to four pieces. The circle search offers two elbows per circle angle, and the whole
// trade shares one angle, so it reaches two pieces at most; a start in the middle of each of the
// others polishes into it. Not every pinch breaks the tube (the farther the target lies from the
// trade, the more do), and a stretch between two pinches gets its start all the same: each side of
// the upper arm and bend of the wrist that reaches the target shows a row.
#pragma once

#include <span>
#include <vector>

#include "ik/solve_ik.hpp"
#include "pose.hpp"
#include "robot.hpp"

namespace talvane {

// A start in the middle of every piece of the trade through `member` that holds none of `listed`,
// the piece of `member` itself among those held. Nothing unless J4 lies within a tenth of a degree
// of 0 or ±180; the caller checks that P lies at the shoulder and that the target lies a hair off
// the trade (trade_reaches_all_around).
std::vector<JointVector> shoulder_trade_starts(const JointVector& member, std::span<const IkSolution> listed);

// Whether the trade's own points through `member` reach the target at every pinch and all around:
// the target then lies on the trade, not a hair off, and one member stands for the whole of it.
bool trade_reaches_all_around(const Crx& robot, const Pose& target, const JointVector& member);

// Whether J4 lies close enough to 0 or ±180 for shoulder_trade_starts to try the trade.
bool j4_allows_trade(const JointVector& joints);

}  // namespace talvane
