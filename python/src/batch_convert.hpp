// Batch arguments and results: many joint vectors or many poses in one call. Every element is
// converted and checked before anything is computed, and an error names the first bad element.
#pragma once

#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

#include "pose.hpp"
#include "python.hpp"
#include "robot.hpp"

namespace talvane::python {

// An (n, 6) array of joint angles (read in place when it is float64, else through NumPy's
// conversion), or a sequence whose every element converts as a single joint argument does.
// Raises ValueError "Expected an (n, 6) array of joint angles, got shape [..]" or the single
// conversion's error prefixed "{name}[{i}]: ".
std::optional<std::vector<JointVector>> extract_joint_batch(PyObject* object, const char* name);

// An (n, 4, 4) array of rigid transforms, a sequence of targets each as `extract_target_pose`
// accepts, or an object whose `as_numpy()` returns one of these. Raises ValueError "Expected an
// (n, 4, 4) array of poses, got shape [..]", or the single conversion's error prefixed
// "{name}[{i}]: " ("targets[3]: Failed to convert matrix to isometry").
std::optional<std::vector<Pose>> extract_pose_batch(PyObject* object, const char* name);

// A new uninitialised float64 array of `shape`, and its data.
struct NewArray {
  PyObject* array;  // a new reference, or null with an exception set
  double* data;
};
NewArray new_float64_array(std::initializer_list<Py_ssize_t> shape);

// A new list of n new (k_i, 6) arrays: array i holds rows[ends[i - 1]] to rows[ends[i] - 1]
// (from rows[0] for i = 0).
PyObject* joints_array_list(std::span<const JointVector> rows, std::span<const std::size_t> ends);

}  // namespace talvane::python
