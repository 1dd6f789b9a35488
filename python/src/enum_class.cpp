#include "enum_class.hpp"

#include "entry_points.hpp"
#include "heap_type.hpp"
#include "instances.hpp"
#include "pyref.hpp"

namespace talvane::python {
namespace {

const EnumObject& as_enum(PyObject* self) { return *reinterpret_cast<EnumObject*>(self); }

PyObject* Enum_repr(PyObject* self) {
  const EnumObject& member = as_enum(self);
  return PyUnicode_FromFormat("%s.%s", member.enum_class->name,
                              member.enum_class->member_names[member.value]);
}

PyObject* Enum_int(PyObject* self) { return PyLong_FromLong(as_enum(self).value); }

PyObject* Enum_richcompare(PyObject* self, PyObject* other, int op) {
  if (op != Py_EQ && op != Py_NE) Py_RETURN_NOTIMPLEMENTED;
  PyRef other_value;
  if (Py_TYPE(other) == Py_TYPE(self)) {
    other_value = PyRef{Enum_int(other)};
  } else {
    // Anything with an integer conversion compares by value; everything else is not comparable.
    other_value = PyRef{PyNumber_Index(other)};
    if (!other_value) {
      if (!PyErr_ExceptionMatches(PyExc_TypeError)) return nullptr;
      PyErr_Clear();
      Py_RETURN_NOTIMPLEMENTED;
    }
  }
  PyRef own_value{Enum_int(self)};
  if (!own_value || !other_value) return nullptr;
  return PyObject_RichCompare(own_value.get(), other_value.get(), op);
}

// Unpickling and copying must give back the same member object, so a member pickles as the path
// of the class attribute that holds it, which is its representation ("CrxModel.Crx10iA").
PyObject* Enum_reduce(PyObject* self, PyObject*) { return Enum_repr(self); }

PyMethodDef enum_methods[] = {
    {"__reduce__", guarded<Enum_reduce>, METH_NOARGS,
     "__reduce__($self, /)\n--\n\nPickle support: a member is pickled by name and unpickles as the same "
     "object."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

PyObject* create_enum_class(EnumClass& enum_class) {
  if (enum_class.type == nullptr) {
    PyType_Slot slots[] = {
        {Py_tp_doc, const_cast<char*>(enum_class.doc)},
        {Py_tp_repr, as_slot(guarded<Enum_repr>)},
        {Py_tp_richcompare, as_slot(guarded<Enum_richcompare>)},
        // Comparison without a hash: members cannot be dictionary keys.
        {Py_tp_hash, as_slot(PyObject_HashNotImplemented)},
        {Py_nb_int, as_slot(guarded<Enum_int>)},
        {Py_tp_methods, enum_methods},
        {Py_tp_dealloc, as_slot(deallocate_instance)},
        {0, nullptr},
    };
    // Not shared_heap_type: the class is kept only once all its members exist.
    PyRef type{new_heap_type({enum_class.qualified_name, sizeof(EnumObject), slots})};
    if (!type) return nullptr;
    std::array<PyObject*, EnumClass::MAX_MEMBERS> created{};
    for (std::size_t i = 0; i < enum_class.member_names.size(); ++i) {
      PyObject* member = allocate_instance(reinterpret_cast<PyTypeObject*>(type.get()));
      if (member != nullptr) {
        auto* object = reinterpret_cast<EnumObject*>(member);
        object->enum_class = &enum_class;
        object->value = static_cast<std::uint8_t>(i);
      }
      // The class is immutable, so that nobody can rebind a member; the members go straight into
      // its dictionary, past the immutability check of ordinary attribute assignment.
      PyRef name{PyUnicode_InternFromString(enum_class.member_names[i])};
      if (member == nullptr || !name || PyObject_GenericSetAttr(type.get(), name.get(), member) < 0) {
        Py_XDECREF(member);
        for (PyObject* earlier : created) Py_XDECREF(earlier);
        return nullptr;
      }
      created[i] = member;
    }
    PyType_Modified(reinterpret_cast<PyTypeObject*>(type.get()));
    enum_class.members = created;
    enum_class.type = reinterpret_cast<PyTypeObject*>(type.release());
  }
  Py_INCREF(enum_class.type);
  return reinterpret_cast<PyObject*>(enum_class.type);
}

PyObject* enum_member(EnumClass& enum_class, std::uint8_t value) {
  if (enum_class.type == nullptr) {
    PyRef type{create_enum_class(enum_class)};
    if (!type) return nullptr;
  }
  PyObject* member = enum_class.members[value];
  Py_INCREF(member);
  return member;
}

}  // namespace talvane::python
