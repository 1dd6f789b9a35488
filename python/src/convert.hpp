// Conversions between Python arguments and the core's values, and the result arrays.
#pragma once

#include <optional>
#include <span>

#include "fk.hpp"
#include "python.hpp"
#include "robot.hpp"

namespace talvane::python {

// A joint argument as six controller degrees: a 1-D float64 array read in place, any sequence of
// numbers, or whatever NumPy's asarray turns into a 1-D float64 array. Raises TypeError prefixed
// with the argument `name`, ValueError "Expected 6 joint angles, got {n}", or NumPy's own error.
std::optional<JointVector> extract_joint_vector(PyObject* object, const char* name);

// New row-major float64 arrays that own their data.
PyObject* matrix_array(const Pose& pose);                          // (4, 4)
PyObject* frames_array(std::span<const Pose> frames);              // (n, 4, 4)
PyObject* joints_array(std::span<const JointVector> solutions);    // (n, 6); (0, 6) when empty
PyObject* joint_vector_array(const JointVector& joints);           // (6,)

}  // namespace talvane::python
