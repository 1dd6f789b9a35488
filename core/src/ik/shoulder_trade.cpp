#include "ik/shoulder_trade.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "ik/ik_context.hpp"

namespace talvane {

namespace {

// J4 within this many degrees of 0 or ±180 lets the trade through: the members listed for a target
// a hair off the trade stray a few thousandths of a degree from it.
constexpr double TRADE_J4_DEGREES = 0.1;
// A listed row this close to the trade (degrees, in J1, J4, J6 and in the sums it keeps) lies on its
// tube, whose points stray some 1e-3 degrees from the exact trade.
constexpr double ON_TRADE_DEGREES = 0.1;
// A stretch of e shorter than this (degrees) between two pinches is no piece.
constexpr double SHORTEST_PIECE_DEGREES = 1e-6;
// The trade is checked against the target at its pinches and at this many points spread evenly over
// a whole turn.
constexpr int TRADE_CHECKS = 16;

// a mod m, in [0, m).
double modulo(double a, double m) {
  const double r = std::fmod(a, m);
  return r < 0.0 ? r + m : r;
}

// Degrees wrapped to [−180, 180).
double wrapped(double degrees) { return modulo(degrees + 180.0, 360.0) - 180.0; }

bool near_trade(double difference) { return std::abs(wrapped(difference)) <= ON_TRADE_DEGREES; }

// The trade's point e degrees from `member`; s is +1 where J5 turns with J2 (J4 at 0), −1 against it.
JointVector traded(const JointVector& member, double s, double e) {
  JointVector joints = member;
  joints[1] = wrapped(member[1] + e);
  joints[2] = (member[1] + member[2]) - joints[1];
  joints[4] = wrapped(member[4] + s * e);
  return joints;
}

bool reaches(const Crx& robot, const Pose& target, const JointVector& joints) {
  return max_abs_error(pose_error(robot, joints, target)) <= MAX_RESIDUAL;
}

// +1 where J5 turns with J2 (J4 at 0), −1 where it turns against it (J4 at ±180).
double trade_sign(const JointVector& member) {
  return std::abs(wrapped(member[3])) <= TRADE_J4_DEGREES ? 1.0 : -1.0;
}

// The trade's e, in [0, 360) and ascending, at which the upper arm stands along the J1 axis and at
// which the wrist is straight: the pinches between the pieces.
std::array<double, 4> pinches_of(const JointVector& member, double s) {
  const double arm = modulo(-member[1], 180.0);
  const double wrist = modulo(-s * member[4], 180.0);
  std::array<double, 4> pinches{arm, arm + 180.0, wrist, wrist + 180.0};
  std::sort(pinches.begin(), pinches.end());
  return pinches;
}

}  // namespace

bool j4_allows_trade(const JointVector& joints) {
  return std::abs(wrapped(joints[3])) <= TRADE_J4_DEGREES ||
         std::abs(wrapped(joints[3] + 180.0)) <= TRADE_J4_DEGREES;
}

bool trade_reaches_all_around(const Crx& robot, const Pose& target, const JointVector& member) {
  const double s = trade_sign(member);
  for (const double e : pinches_of(member, s)) {
    if (!reaches(robot, target, traded(member, s, e))) return false;
  }
  for (int k = 1; k < TRADE_CHECKS; ++k) {
    if (!reaches(robot, target, traded(member, s, 360.0 * k / TRADE_CHECKS))) return false;
  }
  return true;
}

std::vector<JointVector> shoulder_trade_starts(const JointVector& member,
                                               std::span<const IkSolution> listed) {
  std::vector<JointVector> starts;
  if (!j4_allows_trade(member)) return starts;
  const double s = trade_sign(member);
  const std::array<double, 4> pinches = pinches_of(member, s);
  // Piece k runs from pinches[k] to pinches[k + 1], the last one on past a whole turn.
  const auto piece_of = [&](double e) {
    const double x = modulo(e, 360.0);
    for (std::size_t k = 0; k < 3; ++k) {
      if (x > pinches[k] && x < pinches[k + 1]) return k;
    }
    return std::size_t{3};
  };
  std::array<bool, 4> held{};
  held[piece_of(0.0)] = true;
  for (const IkSolution& row : listed) {
    const JointVector& r = row.joints;
    const bool on_trade = near_trade(r[0] - member[0]) && near_trade(r[3] - member[3]) &&
                          near_trade(r[5] - member[5]) &&
                          near_trade((r[1] + r[2]) - (member[1] + member[2])) &&
                          near_trade((r[4] - s * r[1]) - (member[4] - s * member[1]));
    if (on_trade) held[piece_of(r[1] - member[1])] = true;
  }
  for (std::size_t k = 0; k < 4; ++k) {
    const double lo = pinches[k];
    const double hi = k < 3 ? pinches[k + 1] : pinches[0] + 360.0;
    if (held[k] || !(hi - lo > SHORTEST_PIECE_DEGREES)) continue;
    starts.push_back(traded(member, s, 0.5 * (lo + hi)));
  }
  return starts;
}

}  // namespace talvane
