// Pickling and copying of the module's immutable values. A class pickles as a call that rebuilds
// it (a public factory, or the class itself with keywords), and copies as itself, since nothing
// can change it.
#pragma once

#include "entry_points.hpp"
#include "python.hpp"

namespace talvane::python {

// The `__reduce__` value `(factory, args)`: unpickling calls factory(*args). Steals `args`
// (a tuple); null with an exception set.
PyObject* reduce_to_call(PyObject* factory, PyObject* args);

// The `__reduce__` value `(talvane.{function}, args)`, for classes that Python cannot create and
// that are rebuilt by one of the module's private restore functions. Steals `args`.
PyObject* reduce_to_module_function(const char* function, PyObject* args);

// The `__reduce__` value that rebuilds an instance of `type` as type(*args, **kwargs), through
// copyreg.__newobj_ex__, which pickle turns into its keyword-aware opcode. Steals `args` (a tuple)
// and `kwargs` (a dict); null with an exception set.
PyObject* reduce_to_keyword_call(PyTypeObject* type, PyObject* args, PyObject* kwargs);

// `__copy__` and `__deepcopy__`: the object itself.
PyObject* copy_of_immutable(PyObject* self, PyObject*);
PyObject* deepcopy_of_immutable(PyObject* self, PyObject* memo);

// Method table entries for the two copy methods, for classes to add beside their `__reduce__`.
inline constexpr PyMethodDef COPY_METHOD{"__copy__", guarded<copy_of_immutable>, METH_NOARGS,
                                         "__copy__($self, /)\n--\n\nThe object itself: it is immutable."};
inline constexpr PyMethodDef DEEPCOPY_METHOD{
    "__deepcopy__", guarded<deepcopy_of_immutable>, METH_O,
    "__deepcopy__($self, memo, /)\n--\n\nThe object itself: it is immutable, and so is all it holds."};

}  // namespace talvane::python
