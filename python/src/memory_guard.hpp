// Turning a failed allocation inside the core into Python's MemoryError.
#pragma once

#include <new>

#include "python.hpp"

namespace talvane::python {

// Runs `make` (which returns a new reference or null with an exception set); a std::bad_alloc
// thrown by the core's copies becomes MemoryError instead of crossing into the interpreter.
template <typename Make>
PyObject* raising_memory_error(Make&& make) {
  try {
    return make();
  } catch (const std::bad_alloc&) {
    return PyErr_NoMemory();
  }
}

}  // namespace talvane::python
