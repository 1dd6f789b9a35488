// Conversions between Python arguments and the core's values, and the result arrays.
#pragma once

#include <optional>
#include <span>

#include "args.hpp"
#include "fk.hpp"
#include "python.hpp"
#include "robot.hpp"

namespace talvane::python {

// A joint argument converted to one dimension but not yet counted: its first six values and
// its length.
struct JointValues {
  JointVector first{};
  Py_ssize_t count = 0;
};

// The conversion of a joint argument: a 1-D float64 array read in place, any sequence of numbers,
// or whatever NumPy's asarray turns into a 1-D float64 array. Raises TypeError prefixed with the
// argument `name`, NumPy's own error, or an item's conversion error other than TypeError and
// ValueError (those alone send the argument on to NumPy).
std::optional<JointValues> convert_joint_values(PyObject* object, const char* name);

// The six joints, or ValueError "Expected 6 joint angles, got {n}".
std::optional<JointVector> require_six_joints(const JointValues& values);

// Both steps at once: the joint argument as six controller degrees.
std::optional<JointVector> extract_joint_vector(PyObject* object, const char* name);

// The argument of a method whose one parameter is a joint vector (`fk`, `fk_all`): parsed against
// `signature`, which must name exactly one parameter, and converted by extract_joint_vector under
// that parameter's name.
std::optional<JointVector> joints_argument(const Signature& signature, PyObject* const* args,
                                           Py_ssize_t nargs, PyObject* kwnames);

// New row-major float64 arrays that own their data.
PyObject* matrix_array(const Pose& pose);                        // (4, 4)
PyObject* matrix_array(const Matrix4& matrix);                   // (4, 4), the values as given
PyObject* frames_array(std::span<const Pose> frames);            // (n, 4, 4)
PyObject* joints_array(std::span<const JointVector> solutions);  // (n, 6); (0, 6) when empty
PyObject* joint_vector_array(const JointVector& joints);         // (6,)

}  // namespace talvane::python
