// Running pure C++ work with the interpreter lock released, so that other Python threads run
// meanwhile.
#pragma once

#include <new>

#include "python.hpp"

namespace talvane::python {

// Runs `work`, which must not touch any Python object, with the interpreter lock released. No C++
// exception leaves while the lock is released: a std::bad_alloc becomes MemoryError, anything else
// RuntimeError, once the lock is held again. Returns false with that exception set.
template <typename Work>
bool run_without_lock(Work&& work) {
  enum class Outcome { Done, OutOfMemory, Failed } outcome = Outcome::Done;
  PyThreadState* state = PyEval_SaveThread();
  try {
    work();
  } catch (const std::bad_alloc&) {
    outcome = Outcome::OutOfMemory;
  } catch (...) {
    outcome = Outcome::Failed;
  }
  PyEval_RestoreThread(state);
  if (outcome == Outcome::OutOfMemory) {
    PyErr_NoMemory();
    return false;
  }
  if (outcome == Outcome::Failed) {
    PyErr_SetString(PyExc_RuntimeError, "internal error in a batch computation");
    return false;
  }
  return true;
}

}  // namespace talvane::python
