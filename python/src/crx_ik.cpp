#include "crx_ik.hpp"

#include <array>
#include <optional>
#include <vector>

#include "args.hpp"
#include "classes.hpp"
#include "convert.hpp"
#include "ik/closest.hpp"
#include "ik/solve_ik.hpp"
#include "pyref.hpp"
#include "target_pose.hpp"

namespace talvane::python {
namespace {

// Parses the single `target` argument and solves for it; nothing with an exception set.
std::optional<std::vector<IkSolution>> solve_target(const Signature& signature, PyObject* self,
                                                    PyObject* const* args, Py_ssize_t nargs,
                                                    PyObject* kwnames) {
  std::array<PyObject*, 1> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return std::nullopt;
  const auto target = extract_target_pose(values[0]);
  if (!target) return std::nullopt;
  return solve_ik(robot_of(self), *target);
}

}  // namespace

PyObject* Crx_ik(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Crx.ik()", {"target"}};
  const auto solutions = solve_target(signature, self, args, nargs, kwnames);
  if (!solutions) return nullptr;
  std::vector<JointVector> joints;
  joints.reserve(solutions->size());
  for (const IkSolution& solution : *solutions) joints.push_back(solution.joints);
  return joints_array(joints);
}

PyObject* Crx_ik_detailed(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Crx.ik_detailed()", {"target"}};
  const auto solutions = solve_target(signature, self, args, nargs, kwnames);
  if (!solutions) return nullptr;
  PyRef list{PyList_New(static_cast<Py_ssize_t>(solutions->size()))};
  if (!list) return nullptr;
  for (std::size_t m = 0; m < solutions->size(); ++m) {
    PyObject* item = new_ik_solution((*solutions)[m]);
    if (item == nullptr) return nullptr;
    // The list takes the reference.
    if (PyList_SetItem(list.get(), static_cast<Py_ssize_t>(m), item) < 0) return nullptr;
  }
  return list.release();
}

PyObject* Crx_ik_closest(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Crx.ik_closest()", {"target", "reference"}};
  std::array<PyObject*, 2> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;

  // A non-numeric reference fails before the target is looked at; a reference of the wrong
  // length only once the target has converted.
  const auto reference_values = convert_joint_values(values[1], "reference");
  if (!reference_values) return nullptr;
  const auto target = extract_target_pose(values[0]);
  if (!target) return nullptr;
  const auto reference = require_six_joints(*reference_values);
  if (!reference) return nullptr;

  const std::optional<IkSolution> closest = closest_solution(robot_of(self), *target, *reference);
  if (!closest) Py_RETURN_NONE;
  return new_ik_solution(*closest);
}

}  // namespace talvane::python
