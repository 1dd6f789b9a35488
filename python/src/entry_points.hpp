// The functions CPython calls into the module through method tables, property tables and type
// slots: the flags and casts those tables need.
#pragma once

#include "python.hpp"

namespace talvane::python {

inline constexpr int METHOD_WITH_ARGUMENTS = METH_FASTCALL | METH_KEYWORDS;
inline constexpr int STATIC_WITH_ARGUMENTS = METHOD_WITH_ARGUMENTS | METH_STATIC;
inline constexpr int STATIC_WITHOUT_ARGUMENTS = METH_NOARGS | METH_STATIC;

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
