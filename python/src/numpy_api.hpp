// NumPy's C API, looked up on first use rather than at import.
//
// Every file of the module includes NumPy through this header, so that all of them share the
// one table of API pointers that `ensure_numpy` fills.
#pragma once

#include <string>

#include "python.hpp"

#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
// The built module must run on NumPy 1.26 as well as 2.x.
#define NPY_TARGET_VERSION NPY_1_22_API_VERSION
#define PY_ARRAY_UNIQUE_SYMBOL talvane_ARRAY_API
#define NO_IMPORT_ARRAY
#include <numpy/arrayobject.h>

namespace talvane::python {

// Makes the NumPy C API usable. Returns false with a Python exception set when NumPy cannot be
// imported or its C API is incompatible. Cheap after the first successful call.
bool ensure_numpy();

// True when `object` is a NumPy array of `dimensions` dimensions whose dtype is equivalent to
// native float64 (byte order included), so that it can be read in place.
bool is_float64_array(PyObject* object, int dimensions);

// "[2, 3, 3]", as the module writes shapes in its messages.
std::string shape_text(PyArrayObject* array);

}  // namespace talvane::python
