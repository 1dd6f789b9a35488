#include "heap_type.hpp"

namespace talvane::python {

PyObject* new_heap_type(const HeapTypeSpec& spec) {
  unsigned int flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE;
  if (!spec.instantiable) flags |= Py_TPFLAGS_DISALLOW_INSTANTIATION;
  // The class keeps the name and the tables the slots name, not the spec itself.
  PyType_Spec type_spec = {spec.name, static_cast<int>(spec.basicsize), 0, flags, spec.slots};
  return PyType_FromSpec(&type_spec);
}

PyObject* shared_heap_type(PyTypeObject*& type, const HeapTypeSpec& spec) {
  if (type == nullptr) {
    PyObject* created = new_heap_type(spec);
    if (created == nullptr) return nullptr;
    type = reinterpret_cast<PyTypeObject*>(created);
  }
  Py_INCREF(type);
  return reinterpret_cast<PyObject*>(type);
}

}  // namespace talvane::python
