// The `IkSolution` class: one inverse-kinematics solution, read-only.
#include <charconv>
#include <string>

#include "classes.hpp"
#include "convert.hpp"
#include "entry_points.hpp"
#include "heap_type.hpp"
#include "instances.hpp"
#include "pickling.hpp"
#include "pyref.hpp"

namespace talvane::python {

PyTypeObject* ik_solution_type = nullptr;

PyObject* new_ik_solution(const IkSolution& solution) {
  PyObject* self = allocate_instance(ik_solution_type);
  if (self != nullptr) reinterpret_cast<IkSolutionObject*>(self)->solution = solution;
  return self;
}

namespace {

const IkSolution& solution_of(PyObject* self) { return reinterpret_cast<IkSolutionObject*>(self)->solution; }

// `value` with `precision` digits after the point, in fixed or scientific notation; scientific
// exponents carry no plus sign and no leading zeros ("1.500e-9", "0.000e0").
void append_number(std::string& text, double value, std::chars_format format, int precision) {
  char buffer[400];  // the longest fixed-notation double with 4 decimals fits comfortably
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof(buffer), value, format, precision);
  if (error != std::errc{}) {
    text += "?";
    return;
  }
  const std::string_view written(buffer, static_cast<std::size_t>(end - buffer));
  const std::size_t e = format == std::chars_format::scientific ? written.find('e') : std::string_view::npos;
  if (e == std::string_view::npos) {
    text += written;
    return;
  }
  text += written.substr(0, e + 1);
  std::string_view exponent = written.substr(e + 1);
  if (exponent.front() == '+') exponent.remove_prefix(1);
  if (exponent.front() == '-') {
    text += '-';
    exponent.remove_prefix(1);
  }
  while (exponent.size() > 1 && exponent.front() == '0') exponent.remove_prefix(1);
  text += exponent;
}

PyObject* IkSolution_repr(PyObject* self) {
  const IkSolution& solution = solution_of(self);
  std::string text = "IkSolution(joints=[";
  for (std::size_t j = 0; j < solution.joints.size(); ++j) {
    if (j != 0) text += ", ";
    append_number(text, solution.joints[j], std::chars_format::fixed, 4);
  }
  text += "], residual=";
  append_number(text, solution.residual, std::chars_format::scientific, 3);
  text += ", kind=";
  text += solution_kind_name(solution.kind);
  text += ')';
  return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

PyObject* IkSolution_joints(PyObject* self, void*) { return joint_vector_array(solution_of(self).joints); }
PyObject* IkSolution_residual(PyObject* self, void*) {
  return PyFloat_FromDouble(solution_of(self).residual);
}
PyObject* IkSolution_kind(PyObject* self, void*) { return solution_kind_member(solution_of(self).kind); }
PyObject* IkSolution_theta(PyObject* self, void*) { return PyFloat_FromDouble(solution_of(self).theta); }

// Pickles as talvane._restore_ik_solution(joints, residual, theta, kind), every value exact.
PyObject* IkSolution_reduce(PyObject* self, PyObject*) {
  const IkSolution& solution = solution_of(self);
  const JointVector& q = solution.joints;
  PyRef kind{solution_kind_member(solution.kind)};
  if (!kind) return nullptr;
  return reduce_to_module_function("_restore_ik_solution",
                                   Py_BuildValue("((dddddd)ddO)", q[0], q[1], q[2], q[3], q[4], q[5],
                                                 solution.residual, solution.theta, kind.get()));
}

PyMethodDef ik_solution_methods[] = {
    {"__reduce__", guarded<IkSolution_reduce>, METH_NOARGS,
     "__reduce__($self, /)\n--\n\nPickle support: the solution is rebuilt with the same values."},
    COPY_METHOD,
    DEEPCOPY_METHOD,
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef ik_solution_getset[] = {
    {"joints", guarded<IkSolution_joints>, nullptr, "The six joint angles in FANUC controller degrees.",
     nullptr},
    {"residual", guarded<IkSolution_residual>, nullptr,
     "Largest absolute element difference between this solution's pose and the target.", nullptr},
    {"kind", guarded<IkSolution_kind>, nullptr, "The configuration category of the solution.", nullptr},
    {"theta", guarded<IkSolution_theta>, nullptr,
     "The angle on the wrist center's circle that produced the solution, kept for diagnostics.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

constexpr const char IK_SOLUTION_DOC[] = "One inverse kinematics solution and its diagnostics.";

PyType_Slot ik_solution_slots[] = {
    {Py_tp_doc, const_cast<char*>(IK_SOLUTION_DOC)},
    {Py_tp_repr, as_slot(guarded<IkSolution_repr>)},
    {Py_tp_methods, ik_solution_methods},
    {Py_tp_getset, ik_solution_getset},
    {Py_tp_dealloc, as_slot(deallocate_instance)},
    {0, nullptr},
};

}  // namespace

PyObject* create_ik_solution_type() {
  return shared_heap_type(ik_solution_type,
                          {"talvane.IkSolution", sizeof(IkSolutionObject), ik_solution_slots});
}

}  // namespace talvane::python
