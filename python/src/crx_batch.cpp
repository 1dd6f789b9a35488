#include "crx_batch.hpp"

#include <array>

#include "args.hpp"
#include "batch_calls.hpp"
#include "batch_convert.hpp"
#include "classes.hpp"
#include "fk.hpp"
#include "ik/closest.hpp"
#include "ik/solve_ik.hpp"

namespace talvane::python {

PyObject* Crx_fk_many(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Crx.fk_many()", {"joints"}};
  std::array<PyObject*, 1> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  const auto joints = extract_joint_batch(values[0], "joints");
  if (!joints) return nullptr;
  // A copy, so that the loop without the lock reads nothing of the Python object.
  const Crx robot = robot_of(self);
  return fk_many(*joints, [&](const JointVector& q) { return fk(robot, q); });
}

PyObject* Crx_ik_many(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Crx.ik_many()", {"targets"}};
  std::array<PyObject*, 1> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  const auto targets = extract_pose_batch(values[0], "targets");
  if (!targets) return nullptr;
  // A copy, so that the loop without the lock reads nothing of the Python object.
  const Crx robot = robot_of(self);
  return ik_many(*targets, [&](const Pose& target, std::vector<JointVector>& joints) {
    for (const IkSolution& solution : solve_ik(robot, target)) joints.push_back(solution.joints);
  });
}

PyObject* Crx_ik_closest_many(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Crx.ik_closest_many()", {"targets", "references"}};
  std::array<PyObject*, 2> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  const auto targets = extract_pose_batch(values[0], "targets");
  if (!targets) return nullptr;
  const auto references = extract_joint_batch(values[1], "references");
  if (!references) return nullptr;
  // A copy, so that the loop without the lock reads nothing of the Python object.
  const Crx robot = robot_of(self);
  const auto closest = [&](const Pose& target, const JointVector& reference) -> std::optional<JointVector> {
    const std::optional<IkSolution> found = closest_solution(robot, target, reference);
    if (!found) return std::nullopt;
    return found->joints;
  };
  return ik_closest_many(*targets, *references, closest);
}

}  // namespace talvane::python
