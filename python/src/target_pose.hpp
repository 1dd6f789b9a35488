// Conversion of a Python pose argument (a 4x4 array, or an object with an `as_numpy()` method)
// into a Pose.
#pragma once

#include <optional>

#include "pose.hpp"
#include "python.hpp"

namespace talvane::python {

// `object.as_numpy()` if the object has that method, otherwise the object itself, read as a 4x4
// float64 matrix and accepted only if it is a rigid transform. Raises ValueError "Expected a 4x4
// array, or an object with an as_numpy() method", "Expected a 4x4 transformation matrix, got
// shape [r, c]" or "Failed to convert matrix to isometry"; whatever the object's `as_numpy`
// lookup or call raises (other than AttributeError from the lookup) propagates unchanged.
std::optional<Pose> extract_target_pose(PyObject* object);

}  // namespace talvane::python
