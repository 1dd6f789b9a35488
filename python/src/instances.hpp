// Allocating and freeing instances of the module's classes.
#pragma once

#include "python.hpp"

namespace talvane::python {

// Allocates a zeroed instance of one of the module's classes; null with MemoryError set.
PyObject* allocate_instance(PyTypeObject* type);

// The deallocator shared by classes whose instances hold no Python references.
void deallocate_instance(PyObject* self);

}  // namespace talvane::python
