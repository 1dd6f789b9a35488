// The functions CPython calls into the module through method tables, property tables and type
// slots: the flags and casts those tables need, and the barrier that keeps C++ exceptions inside.
//
// Every such function is listed as `guarded<Function>`, so that no C++ exception ever unwinds into
// the interpreter's C frames. Deallocators are the exception: they only run destructors, which
// cannot throw.
#pragma once

#include <exception>
#include <new>
#include <stdexcept>
#include <type_traits>

#include "python.hpp"

namespace talvane::python {

inline constexpr int METHOD_WITH_ARGUMENTS = METH_FASTCALL | METH_KEYWORDS;
inline constexpr int STATIC_WITH_ARGUMENTS = METHOD_WITH_ARGUMENTS | METH_STATIC;
inline constexpr int STATIC_WITHOUT_ARGUMENTS = METH_NOARGS | METH_STATIC;

namespace detail {

template <auto Function>
struct Guard;

template <typename Result, typename... Args, Result (*Function)(Args...)>
struct Guard<Function> {
  static_assert(std::is_pointer_v<Result> || std::is_integral_v<Result>,
                "an entry point reports failure as null or as -1");

  static Result call(Args... args) noexcept {
    try {
      return Function(args...);
    } catch (const std::bad_alloc&) {
      PyErr_NoMemory();
    } catch (const std::length_error&) {
      // A container asked to grow past what can exist: the same refusal as a failed allocation.
      PyErr_NoMemory();
    } catch (const std::exception& error) {
      PyErr_Format(PyExc_RuntimeError, "internal error: %s", error.what());
    } catch (...) {
      PyErr_SetString(PyExc_RuntimeError, "internal error");
    }
    if constexpr (std::is_pointer_v<Result>) {
      return nullptr;
    } else {
      return -1;
    }
  }
};

}  // namespace detail

// `Function` as CPython may call it: a std::bad_alloc (or std::length_error) becomes MemoryError
// and any other C++ exception RuntimeError, and the call then returns its failure value (null, or
// -1).
template <auto Function>
inline constexpr auto guarded = &detail::Guard<Function>::call;

// A function of any calling convention as the PyCFunction a method table entry holds.
template <typename Function>
PyCFunction as_cfunction(Function function) {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

// A function as the pointer a type slot holds.
template <typename Function>
void* as_slot(Function function) {
  return reinterpret_cast<void*>(function);
}

}  // namespace talvane::python
