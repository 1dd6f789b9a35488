#include "pickling.hpp"

#include "pyref.hpp"

namespace talvane::python {

PyObject* reduce_to_call(PyObject* factory, PyObject* args) {
  PyRef owned_args{args};
  if (!owned_args) return nullptr;
  return PyTuple_Pack(2, factory, owned_args.get());
}

PyObject* reduce_to_module_function(const char* function, PyObject* args) {
  PyRef owned_args{args};
  if (!owned_args) return nullptr;
  PyRef module{PyImport_ImportModule("talvane")};
  if (!module) return nullptr;
  PyRef restore{PyObject_GetAttrString(module.get(), function)};
  if (!restore) return nullptr;
  return PyTuple_Pack(2, restore.get(), owned_args.get());
}

PyObject* reduce_to_keyword_call(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  PyRef owned_args{args};
  PyRef owned_kwargs{kwargs};
  if (!owned_args || !owned_kwargs) return nullptr;
  PyRef copyreg{PyImport_ImportModule("copyreg")};
  if (!copyreg) return nullptr;
  PyRef newobj_ex{PyObject_GetAttrString(copyreg.get(), "__newobj_ex__")};
  if (!newobj_ex) return nullptr;
  PyRef call{PyTuple_Pack(3, reinterpret_cast<PyObject*>(type), owned_args.get(), owned_kwargs.get())};
  if (!call) return nullptr;
  return PyTuple_Pack(2, newobj_ex.get(), call.get());
}

PyObject* copy_of_immutable(PyObject* self, PyObject*) {
  Py_INCREF(self);
  return self;
}

PyObject* deepcopy_of_immutable(PyObject* self, PyObject*) {
  Py_INCREF(self);
  return self;
}

}  // namespace talvane::python
