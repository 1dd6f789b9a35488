// The loops of the batch methods, shared by `Crx` and `Cell`: inputs already converted, the work
// done with the interpreter lock released, the results built once it is held again. Each element
// goes through the same core function as the single call, so the results are bit-identical.
#pragma once

#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "batch_convert.hpp"
#include "pose.hpp"
#include "pyref.hpp"
#include "without_lock.hpp"

namespace talvane::python {

// (n, 4, 4): `fk(joints[i])` for every i. `Fk`: Pose(const JointVector&).
template <typename Fk>
PyObject* fk_many(const std::vector<JointVector>& joints, Fk fk) {
  const NewArray result = new_float64_array({static_cast<Py_ssize_t>(joints.size()), 4, 4});
  PyRef owned{result.array};
  if (!owned) return nullptr;
  // The array is not visible to any other thread yet, so it is filled without the lock.
  const bool done = run_without_lock([&] {
    for (std::size_t i = 0; i < joints.size(); ++i) {
      const Matrix4 matrix = pose_to_matrix(fk(joints[i]));
      std::memcpy(result.data + 16 * i, matrix.data(), sizeof(matrix));
    }
  });
  return done ? owned.release() : nullptr;
}

// A list of n (k_i, 6) arrays: the joints `solve(targets[i], joints)` appends, for every i.
// `Solve`: void(const Pose&, std::vector<JointVector>&). All rows go into one buffer, so that the
// batch allocates no memory per target beyond what the solver itself does.
template <typename Solve>
PyObject* ik_many(const std::vector<Pose>& targets, Solve solve) {
  std::vector<JointVector> joints;
  std::vector<std::size_t> ends(targets.size());
  const bool done = run_without_lock([&] {
    for (std::size_t i = 0; i < targets.size(); ++i) {
      solve(targets[i], joints);
      ends[i] = joints.size();
    }
  });
  if (!done) return nullptr;
  return joints_array_list(joints, ends);
}

// (n, 6): `closest(targets[i], references[i])`, a row of NaN where it finds nothing. `Closest`:
// std::optional<JointVector>(const Pose&, const JointVector&). The counts must be equal.
template <typename Closest>
PyObject* ik_closest_many(const std::vector<Pose>& targets, const std::vector<JointVector>& references,
                          Closest closest) {
  if (references.size() != targets.size()) {
    PyErr_Format(PyExc_ValueError, "Expected one reference per target: %zu targets, %zu references",
                 targets.size(), references.size());
    return nullptr;
  }
  const NewArray result = new_float64_array({static_cast<Py_ssize_t>(targets.size()), 6});
  PyRef owned{result.array};
  if (!owned) return nullptr;
  const bool done = run_without_lock([&] {
    for (std::size_t i = 0; i < targets.size(); ++i) {
      JointVector row;
      row.fill(std::numeric_limits<double>::quiet_NaN());
      if (const std::optional<JointVector> found = closest(targets[i], references[i])) row = *found;
      std::memcpy(result.data + 6 * i, row.data(), sizeof(row));
    }
  });
  return done ? owned.release() : nullptr;
}

}  // namespace talvane::python
