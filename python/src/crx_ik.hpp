// The inverse-kinematics methods of `Crx`: `ik`, `ik_detailed` and `ik_closest`.
#pragma once

#include "python.hpp"

namespace talvane::python {

// Every solution's joints as a new (n, 6) float64 array; (0, 6) for an unreachable target.
PyObject* Crx_ik(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// Every solution as a new list of `IkSolution` objects.
PyObject* Crx_ik_detailed(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// The solution nearest `reference` as a new `IkSolution`, or None for an unreachable target.
PyObject* Crx_ik_closest(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace talvane::python
