// The kinematics methods of `Cell`: `fk`, `ik`, `ik_closest` and `ik_path`.
#pragma once

#include "python.hpp"

namespace talvane::python {

// The TCP pose in the user frame as a new (4, 4) array.
PyObject* Cell_fk(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// Every configuration within the limits as a new (n, 6) array.
PyObject* Cell_ik(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// The configuration nearest `reference` as a new (6,) array, or None.
PyObject* Cell_ik_closest(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// A joint path through the poses as a new (n, 6) array, or ValueError where it breaks.
PyObject* Cell_ik_path(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace talvane::python
