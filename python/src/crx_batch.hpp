// The batch methods of `Crx`: `fk_many`, `ik_many` and `ik_closest_many`.
#pragma once

#include "python.hpp"

namespace talvane::python {

// The flange poses of n joint vectors as a new (n, 4, 4) array.
PyObject* Crx_fk_many(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// `ik` of each of n targets: a new list of n (k_i, 6) arrays.
PyObject* Crx_ik_many(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// The joints of `ik_closest` of each target and its reference: a new (n, 6) array, NaN rows where
// a target is unreachable.
PyObject* Crx_ik_closest_many(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace talvane::python
