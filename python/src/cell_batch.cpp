#include "cell_batch.hpp"

#include <array>
#include <cmath>

#include "args.hpp"
#include "batch_calls.hpp"
#include "batch_convert.hpp"
#include "cell/cell.hpp"
#include "classes.hpp"

namespace talvane::python {
namespace {

// As for `Cell.ik_closest`, the references must be finite, since distances to them decide which
// configuration is taken; false with ValueError naming the first that is not.
bool require_finite_references(const std::vector<JointVector>& references) {
  for (std::size_t i = 0; i < references.size(); ++i) {
    for (const double value : references[i]) {
      if (!std::isfinite(value)) {
        PyErr_Format(PyExc_ValueError, "references[%zu]: the joint angles must be finite", i);
        return false;
      }
    }
  }
  return true;
}

}  // namespace

PyObject* Cell_fk_many(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Cell.fk_many()", {"joints"}};
  std::array<PyObject*, 1> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  const auto joints = extract_joint_batch(values[0], "joints");
  if (!joints) return nullptr;
  // A copy, so that the loop without the lock reads nothing of the Python object.
  const Cell cell = cell_of(self);
  return fk_many(*joints, [&](const JointVector& q) { return cell_fk(cell, q); });
}

PyObject* Cell_ik_many(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Cell.ik_many()", {"tcp_poses"}};
  std::array<PyObject*, 1> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  const auto poses = extract_pose_batch(values[0], "tcp_poses");
  if (!poses) return nullptr;
  // A copy, so that the loop without the lock reads nothing of the Python object.
  const Cell cell = cell_of(self);
  return ik_many(*poses, [&](const Pose& tcp, std::vector<JointVector>& joints) {
    const std::vector<JointVector> found = cell_ik(cell, tcp);
    joints.insert(joints.end(), found.begin(), found.end());
  });
}

PyObject* Cell_ik_closest_many(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Cell.ik_closest_many()", {"tcp_poses", "references"}};
  std::array<PyObject*, 2> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  const auto poses = extract_pose_batch(values[0], "tcp_poses");
  if (!poses) return nullptr;
  const auto references = extract_joint_batch(values[1], "references");
  if (!references || !require_finite_references(*references)) return nullptr;
  // A copy, so that the loop without the lock reads nothing of the Python object.
  const Cell cell = cell_of(self);
  return ik_closest_many(*poses, *references, [&](const Pose& tcp, const JointVector& reference) {
    return cell_ik_closest(cell, tcp, reference);
  });
}

}  // namespace talvane::python
