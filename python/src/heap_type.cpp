#include "heap_type.hpp"

namespace talvane::python {

PyObject* new_heap_type(const ClassDefinition& definition) {
  unsigned int flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE;
  if (!definition.instantiable) flags |= Py_TPFLAGS_DISALLOW_INSTANTIATION;
  // The class keeps the name and the tables the slots name, not this definition itself.
  PyType_Spec python_definition = {definition.name, static_cast<int>(definition.basicsize), 0, flags,
                                   definition.slots};
  return PyType_FromSpec(&python_definition);
}

PyObject* shared_heap_type(PyTypeObject*& type, const ClassDefinition& definition) {
  if (type == nullptr) {
    PyObject* created = new_heap_type(definition);
    if (created == nullptr) return nullptr;
    type = reinterpret_cast<PyTypeObject*>(created);
  }
  Py_INCREF(type);
  return reinterpret_cast<PyObject*>(type);
}

}  // namespace talvane::python
