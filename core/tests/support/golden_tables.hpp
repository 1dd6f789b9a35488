// The golden tables: fk, fk_all and solve_ik on fixed random joint vectors, every double written as
// a hexadecimal float (%a) so that the files hold the exact bits. tools/golden_tables writes them;
// test_golden_tables reads them back and compares bit for bit. See docs/numerics.md.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fk.hpp"
#include "ik/solve_ik.hpp"
#include "random_joints.hpp"
#include "robot.hpp"

namespace talvane::testing_support {

inline constexpr std::uint64_t GOLDEN_SEED = 20261231;
// Joint vectors per model in each table: 6 × 50 = 300 for fk; fk_all and solve_ik, whose lines are
// five to ten times longer, take the first 20 of each model, to keep the files near 100 KB each.
inline constexpr int GOLDEN_FK_PER_MODEL = 50;
inline constexpr int GOLDEN_FK_ALL_PER_MODEL = 20;
inline constexpr int GOLDEN_SOLVE_IK_PER_MODEL = 20;

// The three files, relative to core/tests/data.
inline constexpr const char* GOLDEN_FK_FILE = "golden_fk.txt";
inline constexpr const char* GOLDEN_FK_ALL_FILE = "golden_fk_all.txt";
inline constexpr const char* GOLDEN_SOLVE_IK_FILE = "golden_solve_ik.txt";

struct GoldenVector {
  CrxModel model;
  int index;  // within the model
  JointVector joints;
};

// The first `per_model` vectors of each model, model by model, uniform in [−180, 180): ordinary joint
// vectors only, no round or special values, since only there solve_ik's output is meant to stay fixed.
inline std::vector<GoldenVector> golden_vectors(int per_model) {
  std::vector<GoldenVector> vectors;
  for (std::size_t m = 0; m < MODEL_COUNT; ++m) {
    Random random{GOLDEN_SEED + m};
    for (int n = 0; n < per_model; ++n) {
      JointVector q;
      for (double& j : q) j = random.joint();
      vectors.push_back({static_cast<CrxModel>(m), n, q});
    }
  }
  return vectors;
}

// The doubles of one line of each table, in file order.
inline void append_pose(std::vector<double>& fields, const Pose& pose) {
  const Quaternion& q = pose.rotation;
  fields.insert(fields.end(), {q.i, q.j, q.k, q.w});
  fields.insert(fields.end(), pose.translation.begin(), pose.translation.end());
}

// J1..J6, then the flange pose: qi qj qk qw tx ty tz.
inline std::vector<double> fk_fields(const Crx& robot, const JointVector& joints) {
  std::vector<double> fields(joints.begin(), joints.end());
  append_pose(fields, fk(robot, joints));
  return fields;
}

// Frames 0..5, each qi qj qk qw tx ty tz.
inline std::vector<double> fk_all_fields(const Crx& robot, const JointVector& joints) {
  std::vector<double> fields;
  for (const Pose& frame : fk_all(robot, joints)) append_pose(fields, frame);
  return fields;
}

// One solution: J1..J6, residual, theta (the kind is written apart, as an integer).
inline std::vector<double> solution_fields(const IkSolution& solution) {
  std::vector<double> fields(solution.joints.begin(), solution.joints.end());
  fields.push_back(solution.residual);
  fields.push_back(solution.theta);
  return fields;
}

}  // namespace talvane::testing_support
