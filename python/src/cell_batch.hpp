// The batch methods of `Cell`: `fk_many`, `ik_many` and `ik_closest_many`.
#pragma once

#include "python.hpp"

namespace talvane::python {

// The TCP poses in the user frame of n joint vectors as a new (n, 4, 4) array.
PyObject* Cell_fk_many(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// `ik` of each of n TCP poses: a new list of n (k_i, 6) arrays.
PyObject* Cell_ik_many(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// `ik_closest` of each TCP pose and its reference: a new (n, 6) array, NaN rows where there is none.
PyObject* Cell_ik_closest_many(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace talvane::python
