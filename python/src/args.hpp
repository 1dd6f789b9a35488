// Argument handling shared by every method of the module: matching positional and keyword
// arguments to parameter names, and the module's conversion errors.
#pragma once

#include <initializer_list>
#include <span>

#include "python.hpp"

namespace talvane::python {

// A method's call shape: its name as shown in messages ("Crx.fk()") and its parameter names.
// Every parameter is required and may be given by position or by keyword; the keyword-only ones
// that follow are optional.
struct Signature {
  const char* function;
  std::initializer_list<const char*> parameters;
  std::initializer_list<const char*> keyword_only = {};
};

// Matches a vectorcall-style argument list against `signature`, filling `out` (one borrowed
// reference per parameter, then per keyword-only parameter, in order; null for a keyword-only
// parameter not given). Returns false with TypeError set on a call-shape error.
bool parse_arguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                     std::span<PyObject*> out);

// If the pending exception is a TypeError, replaces it with TypeError "argument '{name}': {message}"
// carrying the original's cause. Other exceptions are left unchanged. Always returns false.
bool prefix_argument_error(const char* name);

// The same for a pending ValueError, for arguments whose value errors would not say which
// argument they concern. Always returns false.
bool prefix_argument_value_error(const char* name);

// For one element of a batch argument: a pending ValueError or TypeError becomes the same class
// with "{name}[{index}]: {message}", so that the caller learns which element is wrong. Always
// returns false.
bool prefix_element_error(const char* name, Py_ssize_t index);

// Checks that `object` is an instance of `type`; otherwise raises TypeError
// "argument '{name}': '{type}' object is not an instance of '{target}'" and returns false.
bool check_instance(PyObject* object, PyTypeObject* type, const char* name);

// Python's float conversion of an argument, with the argument-name prefix on TypeError.
bool convert_double(PyObject* object, const char* name, double* value);

}  // namespace talvane::python
