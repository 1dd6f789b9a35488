#include "args.hpp"

#include <string>
#include <vector>

#include "pyref.hpp"

namespace talvane::python {
namespace {

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'", as CPython lists parameter names.
std::string quoted_list(const std::vector<const char*>& names) {
  std::string text;
  const std::size_t count = names.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (i != 0) {
      if (count > 2) text += ',';
      text += i == count - 1 ? " and " : " ";
    }
    text += '\'';
    text += names[i];
    text += '\'';
  }
  return text;
}

// The `__name__` of an object's type, or null with an exception set.
PyRef type_name(PyObject* object) {
  return PyRef{PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(object)), "__name__")};
}

// The position of `keyword` among the parameters and then the keyword-only ones; past the end if
// it names none.
Py_ssize_t parameter_index(const Signature& signature, PyObject* keyword) {
  Py_ssize_t index = 0;
  for (const auto& names : {signature.parameters, signature.keyword_only}) {
    for (const char* parameter : names) {
      if (PyUnicode_CompareWithASCIIString(keyword, parameter) == 0) return index;
      ++index;
    }
  }
  return index;
}

}  // namespace

bool parse_arguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                     std::span<PyObject*> out) {
  const auto count = static_cast<Py_ssize_t>(signature.parameters.size());
  const auto all = count + static_cast<Py_ssize_t>(signature.keyword_only.size());
  if (nargs > count) {
    PyErr_Format(PyExc_TypeError, "%s takes %zd positional arguments but %zd %s given", signature.function,
                 count, nargs, nargs == 1 ? "was" : "were");
    return false;
  }
  for (Py_ssize_t i = 0; i < all; ++i) out[i] = i < nargs ? args[i] : nullptr;

  const Py_ssize_t keyword_count = kwnames == nullptr ? 0 : PyTuple_Size(kwnames);
  for (Py_ssize_t k = 0; k < keyword_count; ++k) {
    PyObject* keyword = PyTuple_GetItem(kwnames, k);
    const Py_ssize_t index = parameter_index(signature, keyword);
    if (index == all) {
      PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%U'", signature.function,
                   keyword);
      return false;
    }
    if (out[index] != nullptr) {
      PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%U'", signature.function, keyword);
      return false;
    }
    out[index] = args[nargs + k];
  }

  std::vector<const char*> missing;
  Py_ssize_t index = 0;
  for (const char* parameter : signature.parameters) {
    if (out[index++] == nullptr) missing.push_back(parameter);
  }
  if (!missing.empty()) {
    PyErr_Format(PyExc_TypeError, "%s missing %zu required positional %s: %s", signature.function,
                 missing.size(), missing.size() == 1 ? "argument" : "arguments",
                 quoted_list(missing).c_str());
    return false;
  }
  return true;
}

namespace {

// Replaces a pending exception of class `kind` by a new one "{prefix}{message}" of the same
// class, carrying the original's cause. `format` makes the prefix from `name` and
// `index`.
bool prefix_error(PyObject* kind, const char* format, const char* name, Py_ssize_t index = 0) {
  if (!PyErr_ExceptionMatches(kind)) return false;
  PyObject* type = nullptr;
  PyObject* value = nullptr;
  PyObject* traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  PyRef owned_type{type};
  PyRef owned_value{value};
  PyRef owned_traceback{traceback};
  PyRef message{owned_value ? PyObject_Str(owned_value.get()) : PyUnicode_FromString("")};
  if (!message) return false;
  PyRef cause{owned_value ? PyException_GetCause(owned_value.get()) : nullptr};
  PyRef head{PyUnicode_FromFormat(format, name, index)};
  if (!head) return false;
  PyRef text{PyUnicode_Concat(head.get(), message.get())};
  if (!text) return false;
  PyRef error{PyObject_CallFunctionObjArgs(kind, text.get(), nullptr)};
  if (!error) return false;
  if (cause) PyException_SetCause(error.get(), cause.release());
  PyErr_SetObject(kind, error.get());
  return false;
}

constexpr const char ARGUMENT_PREFIX[] = "argument '%s': ";
constexpr const char ELEMENT_PREFIX[] = "%s[%zd]: ";

}  // namespace

bool prefix_argument_error(const char* name) { return prefix_error(PyExc_TypeError, ARGUMENT_PREFIX, name); }

bool prefix_argument_value_error(const char* name) {
  return prefix_error(PyExc_ValueError, ARGUMENT_PREFIX, name);
}

bool prefix_element_error(const char* name, Py_ssize_t index) {
  if (PyErr_ExceptionMatches(PyExc_ValueError))
    return prefix_error(PyExc_ValueError, ELEMENT_PREFIX, name, index);
  return prefix_error(PyExc_TypeError, ELEMENT_PREFIX, name, index);
}

bool check_instance(PyObject* object, PyTypeObject* type, const char* name) {
  const int is_instance = PyObject_IsInstance(object, reinterpret_cast<PyObject*>(type));
  if (is_instance == 1) return true;
  if (is_instance == -1) return false;
  PyRef target{PyObject_GetAttrString(reinterpret_cast<PyObject*>(type), "__name__")};
  if (!target) return false;
  if (object == Py_None) {
    PyErr_Format(PyExc_TypeError, "argument '%s': 'None' is not an instance of '%U'", name, target.get());
    return false;
  }
  PyRef given{type_name(object)};
  if (!given) return false;
  PyErr_Format(PyExc_TypeError, "argument '%s': '%U' object is not an instance of '%U'", name, given.get(),
               target.get());
  return false;
}

bool convert_double(PyObject* object, const char* name, double* value) {
  const double converted = PyFloat_AsDouble(object);
  if (converted == -1.0 && PyErr_Occurred()) return prefix_argument_error(name);
  *value = converted;
  return true;
}

}  // namespace talvane::python
