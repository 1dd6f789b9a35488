// Creating the module's class objects from their slots.
#pragma once

#include <cstddef>

#include "python.hpp"

namespace talvane::python {

struct ClassDefinition {
  const char* name;       // "talvane.{Class}"; must outlive the class object
  std::size_t basicsize;  // the size of an instance
  // Null-terminated. Read once, but the method and property tables it names must outlive the class.
  PyType_Slot* slots;
  // Classes that only the module itself creates instances of cannot be called from Python.
  bool instantiable = false;
};

// A new immutable class object, or null with an exception set.
PyObject* new_heap_type(const ClassDefinition& definition);

// The class held in `type`, created by new_heap_type on first use and kept for the life of the
// process (see module.cpp): a new reference, or null with an exception set.
PyObject* shared_heap_type(PyTypeObject*& type, const ClassDefinition& definition);

}  // namespace talvane::python
