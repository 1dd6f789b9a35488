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

const Crx& robot_of(PyObject* self) { return reinterpret_cast<CrxObject*>(self)->robot; }

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

// The count check of a joint argument runs after the target has been converted, so a reference
// of the wrong length is reported only for a valid target. The conversion raises that check's
// error with a fixed text; this recognises it, so that it can be held back.
bool is_joint_count_error() {
  if (!PyErr_ExceptionMatches(PyExc_ValueError)) return false;
  PyObject* type = nullptr;
  PyObject* value = nullptr;
  PyObject* traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  bool matches = false;
  if (value != nullptr) {
    PyRef message{PyObject_Str(value)};
    PyRef prefix{PyUnicode_FromString("Expected 6 joint angles, got ")};
    if (message && prefix)
      matches = PyUnicode_Tailmatch(message.get(), prefix.get(), 0, PY_SSIZE_T_MAX, -1) == 1;
    PyErr_Clear();
  }
  PyErr_Restore(type, value, traceback);
  return matches;
}

// A pending exception taken out of the interpreter and put back later, or dropped.
class HeldError {
 public:
  void hold() { PyErr_Fetch(&type_, &value_, &traceback_); }
  bool held() const { return type_ != nullptr; }
  void restore() {
    PyErr_Restore(type_, value_, traceback_);
    type_ = value_ = traceback_ = nullptr;
  }
  ~HeldError() {
    Py_XDECREF(type_);
    Py_XDECREF(value_);
    Py_XDECREF(traceback_);
  }

 private:
  PyObject* type_ = nullptr;
  PyObject* value_ = nullptr;
  PyObject* traceback_ = nullptr;
};

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

  HeldError count_error;
  const auto reference = extract_joint_vector(values[1], "reference");
  if (!reference) {
    if (!is_joint_count_error()) return nullptr;
    count_error.hold();
  }
  const auto target = extract_target_pose(values[0]);
  if (!target) return nullptr;
  if (count_error.held()) {
    count_error.restore();
    return nullptr;
  }

  const std::optional<IkSolution> closest = closest_solution(robot_of(self), *target, *reference);
  if (!closest) Py_RETURN_NONE;
  return new_ik_solution(*closest);
}

}  // namespace talvane::python
