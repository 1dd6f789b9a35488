#include "cell_ik.hpp"

#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "args.hpp"
#include "cell/joint_path.hpp"
#include "classes.hpp"
#include "convert.hpp"
#include "target_pose.hpp"

namespace talvane::python {
namespace {

// The default of `max_step`, degrees. Following dense poses moves a joint a few degrees per point;
// another configuration of the same pose is a half turn of J1 (the twin) or of J4 and J6 (a wrist
// flip), or a large change of J2 and J3 (the elbow), so 30 separates the two with margin. The
// signature of ik_path (cell_class.cpp) and the stub state it.
constexpr double DEFAULT_MAX_STEP = 30.0;

// A joint argument that must be finite, since distances to it decide which configuration is taken.
std::optional<JointVector> require_finite(const std::optional<JointVector>& joints, const char* name) {
  if (!joints) return std::nullopt;
  for (const double value : *joints) {
    if (!std::isfinite(value)) {
      PyErr_Format(PyExc_ValueError, "argument '%s': the joint angles must be finite", name);
      return std::nullopt;
    }
  }
  return joints;
}

// Every pose of a sequence, converted before anything is solved.
std::optional<std::vector<Pose>> extract_tcp_poses(PyObject* object) {
  PyRef sequence{PySequence_Fast(object, "expected a sequence of poses")};
  if (!sequence) {
    prefix_argument_error("tcp_poses");
    return std::nullopt;
  }
  const Py_ssize_t count = PySequence_Size(sequence.get());
  if (count < 0) return std::nullopt;
  std::vector<Pose> poses;
  poses.reserve(static_cast<std::size_t>(count));
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyRef item{PySequence_GetItem(sequence.get(), i)};
    if (!item) return std::nullopt;
    const auto pose = extract_target_pose(item.get());
    if (!pose) return std::nullopt;
    poses.push_back(*pose);
  }
  return poses;
}

std::string degrees_text(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), "%.4g", value);
  return buffer;
}

// The ValueError of a path that breaks; always null.
PyObject* raise_path_break(const PathBreak& failure, double max_step) {
  const std::string pose = "tcp_poses[" + std::to_string(failure.index) + "]";
  std::string message;
  if (failure.reason == PathBreak::Reason::NoConfiguration) {
    message = "no configuration within the limits reaches " + pose;
  } else {
    message = "reaching " + pose + " would move J" + std::to_string(failure.joint + 1) + " by " +
              degrees_text(failure.step) + " degrees, more than max_step (" + degrees_text(max_step) + ")";
  }
  PyErr_SetString(PyExc_ValueError, message.c_str());
  return nullptr;
}

}  // namespace

PyObject* Cell_fk(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Cell.fk()", {"joints"}};
  const auto joints = joints_argument(signature, args, nargs, kwnames);
  if (!joints) return nullptr;
  return matrix_array(cell_fk(cell_of(self), *joints));
}

PyObject* Cell_ik(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Cell.ik()", {"tcp_pose"}};
  std::array<PyObject*, 1> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  const auto tcp = extract_target_pose(values[0]);
  if (!tcp) return nullptr;
  return joints_array(cell_ik(cell_of(self), *tcp));
}

PyObject* Cell_ik_closest(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Cell.ik_closest()", {"tcp_pose", "reference"}};
  std::array<PyObject*, 2> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  // The order of Crx.ik_closest: a non-numeric reference fails first, a miscounted one after the pose.
  const auto reference_values = convert_joint_values(values[1], "reference");
  if (!reference_values) return nullptr;
  const auto tcp = extract_target_pose(values[0]);
  if (!tcp) return nullptr;
  const auto reference = require_finite(require_six_joints(*reference_values), "reference");
  if (!reference) return nullptr;
  const std::optional<JointVector> closest = cell_ik_closest(cell_of(self), *tcp, *reference);
  if (!closest) Py_RETURN_NONE;
  return joint_vector_array(*closest);
}

PyObject* Cell_ik_path(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Cell.ik_path()", {"tcp_poses", "start"}, {"max_step"}};
  std::array<PyObject*, 3> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  const auto poses = extract_tcp_poses(values[0]);
  if (!poses) return nullptr;
  const auto start = require_finite(extract_joint_vector(values[1], "start"), "start");
  if (!start) return nullptr;
  double max_step = DEFAULT_MAX_STEP;
  if (values[2] != nullptr) {
    if (!convert_double(values[2], "max_step", &max_step)) return nullptr;
    if (!(std::isfinite(max_step) && max_step > 0.0)) {
      PyErr_Format(PyExc_ValueError, "argument 'max_step': must be a positive number of degrees, got %R",
                   values[2]);
      return nullptr;
    }
  }
  const JointPath path = walk_path(cell_of(self), *poses, *start, max_step);
  if (path.failure) return raise_path_break(*path.failure, max_step);
  return joints_array(path.joints);
}

}  // namespace talvane::python
