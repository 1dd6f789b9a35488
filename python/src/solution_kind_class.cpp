// The `SolutionKind` class: three shared member objects, integer conversion, equality with kinds
// and integers, no ordering and no hash.
#include <array>

#include "classes.hpp"
#include "pyref.hpp"

namespace talvane::python {

PyTypeObject* solution_kind_type = nullptr;

namespace {

constexpr std::size_t KIND_COUNT = 3;

constexpr std::array<const char*, KIND_COUNT> MEMBER_NAMES{"Regular", "AxisDegenerate", "SingularFamily"};

std::array<PyObject*, KIND_COUNT> members{};

SolutionKind kind_of(PyObject* self) { return reinterpret_cast<SolutionKindObject*>(self)->kind; }

PyObject* SolutionKind_repr(PyObject* self) {
  return PyUnicode_FromFormat("SolutionKind.%s", solution_kind_name(kind_of(self)));
}

PyObject* SolutionKind_int(PyObject* self) { return PyLong_FromLong(static_cast<long>(kind_of(self))); }

PyObject* SolutionKind_richcompare(PyObject* self, PyObject* other, int op) {
  if (op != Py_EQ && op != Py_NE) Py_RETURN_NOTIMPLEMENTED;
  PyRef other_value;
  if (PyObject_TypeCheck(other, solution_kind_type)) {
    other_value = PyRef{PyLong_FromLong(static_cast<long>(kind_of(other)))};
  } else {
    // Anything with an integer conversion compares by value; everything else is not comparable.
    other_value = PyRef{PyNumber_Index(other)};
    if (!other_value) {
      if (!PyErr_ExceptionMatches(PyExc_TypeError)) return nullptr;
      PyErr_Clear();
      Py_RETURN_NOTIMPLEMENTED;
    }
  }
  PyRef own_value{SolutionKind_int(self)};
  if (!own_value || !other_value) return nullptr;
  return PyObject_RichCompare(own_value.get(), other_value.get(), op);
}

constexpr const char SOLUTION_KIND_DOC[] = "The configuration category of a solution.";

PyType_Slot solution_kind_slots[] = {
    {Py_tp_doc, const_cast<char*>(SOLUTION_KIND_DOC)},
    {Py_tp_repr, reinterpret_cast<void*>(SolutionKind_repr)},
    {Py_tp_richcompare, reinterpret_cast<void*>(SolutionKind_richcompare)},
    {Py_tp_hash, reinterpret_cast<void*>(PyObject_HashNotImplemented)},
    {Py_nb_int, reinterpret_cast<void*>(SolutionKind_int)},
    {Py_tp_dealloc, reinterpret_cast<void*>(deallocate_instance)},
    {0, nullptr},
};

PyType_Spec solution_kind_spec = {
    "talvane.SolutionKind",
    sizeof(SolutionKindObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    solution_kind_slots,
};

}  // namespace

const char* solution_kind_name(SolutionKind kind) { return MEMBER_NAMES[static_cast<std::size_t>(kind)]; }

PyObject* create_solution_kind_type() {
  if (solution_kind_type == nullptr) {
    PyRef type{PyType_FromSpec(&solution_kind_spec)};
    if (!type) return nullptr;
    auto* type_object = reinterpret_cast<PyTypeObject*>(type.get());
    std::array<PyObject*, KIND_COUNT> created{};
    for (std::size_t i = 0; i < KIND_COUNT; ++i) {
      PyObject* member = allocate_instance(type_object);
      if (member != nullptr)
        reinterpret_cast<SolutionKindObject*>(member)->kind = static_cast<SolutionKind>(i);
      if (member == nullptr || PyObject_SetAttrString(type.get(), MEMBER_NAMES[i], member) < 0) {
        Py_XDECREF(member);
        for (PyObject* earlier : created) Py_XDECREF(earlier);
        return nullptr;
      }
      created[i] = member;
    }
    members = created;
    solution_kind_type = reinterpret_cast<PyTypeObject*>(type.release());
  }
  Py_INCREF(solution_kind_type);
  return reinterpret_cast<PyObject*>(solution_kind_type);
}

PyObject* solution_kind_member(SolutionKind kind) {
  // Created on first use, so a solution's kind can be read whatever order the classes are made in.
  if (solution_kind_type == nullptr) {
    PyRef type{create_solution_kind_type()};
    if (!type) return nullptr;
  }
  PyObject* member = members[static_cast<std::size_t>(kind)];
  Py_INCREF(member);
  return member;
}

}  // namespace talvane::python
