// The `CrxModel` class: six shared member objects, integer conversion, equality with models and
// integers, no ordering and no hash.
#include <array>

#include "classes.hpp"
#include "pyref.hpp"

namespace talvane::python {

PyTypeObject* crx_model_type = nullptr;

namespace {

constexpr std::array<const char*, MODEL_COUNT> MEMBER_NAMES{"Crx3iA", "Crx5iA", "Crx10iA", "Crx10iAL", "Crx20iAL",
                                                            "Crx30iA"};

std::array<PyObject*, MODEL_COUNT> members{};

CrxModel model_of(PyObject* self) { return reinterpret_cast<CrxModelObject*>(self)->model; }

PyObject* CrxModel_repr(PyObject* self) {
  return PyUnicode_FromFormat("CrxModel.%s", MEMBER_NAMES[static_cast<std::size_t>(model_of(self))]);
}

PyObject* CrxModel_int(PyObject* self) { return PyLong_FromLong(static_cast<long>(model_of(self))); }

PyObject* CrxModel_richcompare(PyObject* self, PyObject* other, int op) {
  if (op != Py_EQ && op != Py_NE) Py_RETURN_NOTIMPLEMENTED;
  PyRef other_value;
  if (PyObject_TypeCheck(other, crx_model_type)) {
    other_value = PyRef{PyLong_FromLong(static_cast<long>(model_of(other)))};
  } else {
    // Anything with an integer conversion compares by value; everything else is not comparable.
    other_value = PyRef{PyNumber_Index(other)};
    if (!other_value) {
      if (!PyErr_ExceptionMatches(PyExc_TypeError)) return nullptr;
      PyErr_Clear();
      Py_RETURN_NOTIMPLEMENTED;
    }
  }
  PyRef own_value{CrxModel_int(self)};
  if (!own_value || !other_value) return nullptr;
  return PyObject_RichCompare(own_value.get(), other_value.get(), op);
}

constexpr const char CRX_MODEL_DOC[] =
    "One of the models in the FANUC CRX series.\n\n"
    "`LinkMeshes.load` uses the model to select geometry. Two models can share the same four link\n"
    "dimensions, so those dimensions alone do not identify the model represented by a `Crx`.";

PyType_Slot crx_model_slots[] = {
    {Py_tp_doc, const_cast<char*>(CRX_MODEL_DOC)},
    {Py_tp_repr, reinterpret_cast<void*>(CrxModel_repr)},
    {Py_tp_richcompare, reinterpret_cast<void*>(CrxModel_richcompare)},
    {Py_tp_hash, reinterpret_cast<void*>(PyObject_HashNotImplemented)},
    {Py_nb_int, reinterpret_cast<void*>(CrxModel_int)},
    {Py_tp_dealloc, reinterpret_cast<void*>(deallocate_instance)},
    {0, nullptr},
};

PyType_Spec crx_model_spec = {
    "talvane.CrxModel",
    sizeof(CrxModelObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    crx_model_slots,
};

}  // namespace

PyObject* create_crx_model_type() {
  if (crx_model_type == nullptr) {
    PyRef type{PyType_FromSpec(&crx_model_spec)};
    if (!type) return nullptr;
    auto* type_object = reinterpret_cast<PyTypeObject*>(type.get());
    std::array<PyObject*, MODEL_COUNT> created{};
    for (std::size_t i = 0; i < MODEL_COUNT; ++i) {
      PyObject* member = allocate_instance(type_object);
      if (member != nullptr) reinterpret_cast<CrxModelObject*>(member)->model = static_cast<CrxModel>(i);
      if (member == nullptr || PyObject_SetAttrString(type.get(), MEMBER_NAMES[i], member) < 0) {
        Py_XDECREF(member);
        for (PyObject* earlier : created) Py_XDECREF(earlier);
        return nullptr;
      }
      created[i] = member;
    }
    members = created;
    crx_model_type = reinterpret_cast<PyTypeObject*>(type.release());
  }
  Py_INCREF(crx_model_type);
  return reinterpret_cast<PyObject*>(crx_model_type);
}

PyObject* crx_model_member(CrxModel model) {
  PyObject* member = members[static_cast<std::size_t>(model)];
  Py_INCREF(member);
  return member;
}

}  // namespace talvane::python
