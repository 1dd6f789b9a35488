// Conversion of a Python pose argument (a 4x4 array, or an object with an `as_numpy()` method)
// into a Pose.
#pragma once

#include <optional>

#include "pose.hpp"
#include "pyref.hpp"
#include "python.hpp"

namespace talvane::python {

// The error for a target that is not a two-dimensional array.
inline constexpr const char NOT_AN_ARRAY[] = "Expected a 4x4 array, or an object with an as_numpy() method";

// `object.as_numpy()` (a new reference) if the object has that attribute, else `object` itself
// (also a new reference); null with the lookup's or the call's exception set.
PyRef resolve_as_numpy(PyObject* object);

// A converted target: its 16 values as given, row by row, and its pose.
struct TargetMatrix {
  Matrix4 values;
  Pose pose;
};

// The conversion of `extract_target_pose`, keeping the matrix as well.
std::optional<TargetMatrix> extract_target_matrix(PyObject* object);

// `object.as_numpy()` if the object has that method, otherwise the object itself, read as a 4x4
// float64 matrix and accepted only if it is a rigid transform. Raises ValueError "Expected a 4x4
// array, or an object with an as_numpy() method", "Expected a 4x4 transformation matrix, got
// shape [r, c]" or "Failed to convert matrix to isometry"; whatever the object's `as_numpy`
// lookup or call raises (other than AttributeError from the lookup) propagates unchanged.
std::optional<Pose> extract_target_pose(PyObject* object);

}  // namespace talvane::python
