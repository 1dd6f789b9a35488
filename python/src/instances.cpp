#include "instances.hpp"

namespace talvane::python {

PyObject* allocate_instance(PyTypeObject* type) {
  auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
  return alloc(type, 0);
}

void deallocate_instance(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  auto free = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
  free(self);
  // Instances of heap types own a reference to their class.
  Py_DECREF(type);
}

}  // namespace talvane::python
