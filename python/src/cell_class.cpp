// The `Cell` class: a robot with its tool and user frames and its joint limits, immutable.
#include <array>
#include <cmath>
#include <new>
#include <type_traits>
#include <vector>

#include "args.hpp"
#include "cell_batch.hpp"
#include "cell_ik.hpp"
#include "classes.hpp"
#include "convert.hpp"
#include "entry_points.hpp"
#include "heap_type.hpp"
#include "instances.hpp"
#include "pickling.hpp"
#include "pyref.hpp"
#include "target_pose.hpp"

namespace talvane::python {

PyTypeObject* cell_type = nullptr;

namespace {

static_assert(std::is_trivially_destructible_v<Cell>);

CellObject* object_of(PyObject* self) { return reinterpret_cast<CellObject*>(self); }

// A frame argument: the identity when absent, else a rigid transform with a finite translation.
std::optional<TargetMatrix> extract_frame(PyObject* object, const char* name) {
  if (object == nullptr || object == Py_None)
    return TargetMatrix{pose_to_matrix(IDENTITY_POSE), IDENTITY_POSE};
  auto frame = extract_target_matrix(object);
  if (!frame) {
    prefix_argument_value_error(name);
    return std::nullopt;
  }
  for (const int element : {3, 7, 11}) {
    if (!std::isfinite(frame->values[element])) {
      PyErr_Format(PyExc_ValueError, "argument '%s': the translation must be finite", name);
      return std::nullopt;
    }
  }
  return frame;
}

// Six limits, or nothing (no exception) when the argument is absent; false with an exception set.
bool extract_stroke(PyObject* object, const char* name, std::optional<JointVector>& stroke) {
  if (object == nullptr || object == Py_None) return true;
  stroke = extract_joint_vector(object, name);
  if (!stroke) return prefix_argument_value_error(name);
  return true;
}

bool extract_elbow_range(PyObject* object, std::optional<Interval>& range) {
  if (object == nullptr || object == Py_None) return true;
  const auto values = convert_joint_values(object, "j2_plus_j3");
  if (!values) return prefix_argument_value_error("j2_plus_j3");
  if (values->count != 2) {
    PyErr_Format(PyExc_ValueError, "argument 'j2_plus_j3': expected (low, high), got %zd values",
                 values->count);
    return false;
  }
  range = Interval{values->first[0], values->first[1]};
  return true;
}

// The limits of the arguments, checked by the core's rules.
std::optional<JointLimits> extract_limits(PyObject* lower_object, PyObject* upper_object,
                                          PyObject* elbow_object) {
  std::optional<JointVector> lower;
  std::optional<JointVector> upper;
  JointLimits limits;
  if (!extract_stroke(lower_object, "lower", lower) || !extract_stroke(upper_object, "upper", upper) ||
      !extract_elbow_range(elbow_object, limits.j2_plus_j3)) {
    return std::nullopt;
  }
  if (lower.has_value() != upper.has_value()) {
    PyErr_SetString(PyExc_ValueError, "lower and upper must be given together");
    return std::nullopt;
  }
  if (lower) limits.strokes = Strokes{*lower, *upper};
  if (const auto error = limits_error(limits)) {
    PyErr_SetString(PyExc_ValueError, error->c_str());
    return std::nullopt;
  }
  return limits;
}

PyObject* Cell_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  static const Signature signature{
      "Cell()", {"robot"}, {"tool", "user_frame", "lower", "upper", "j2_plus_j3"}};
  // parse_arguments reads the vectorcall layout: positional values, then keyword values named by
  // a tuple.
  std::vector<PyObject*> given;
  const Py_ssize_t nargs = PyTuple_Size(args);
  for (Py_ssize_t i = 0; i < nargs; ++i) given.push_back(PyTuple_GetItem(args, i));
  PyRef kwnames;
  if (kwargs != nullptr && PyDict_Size(kwargs) > 0) {
    kwnames = PyRef{PyTuple_New(PyDict_Size(kwargs))};
    if (!kwnames) return nullptr;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    Py_ssize_t position = 0;
    Py_ssize_t k = 0;
    while (PyDict_Next(kwargs, &position, &key, &value)) {
      Py_INCREF(key);
      PyTuple_SetItem(kwnames.get(), k++, key);  // the tuple takes the reference
      given.push_back(value);
    }
  }
  std::array<PyObject*, 6> values{};
  if (!parse_arguments(signature, given.data(), nargs, kwnames.get(), values)) return nullptr;

  if (!check_instance(values[0], crx_type, "robot")) return nullptr;
  const auto tool = extract_frame(values[1], "tool");
  if (!tool) return nullptr;
  const auto user_frame = extract_frame(values[2], "user_frame");
  if (!user_frame) return nullptr;
  const auto limits = extract_limits(values[3], values[4], values[5]);
  if (!limits) return nullptr;

  PyObject* self = allocate_instance(type);
  if (self == nullptr) return nullptr;
  CellObject* cell = object_of(self);
  Py_INCREF(values[0]);
  cell->robot = values[0];
  new (&cell->cell) Cell{robot_of(values[0]), {tool->pose, user_frame->pose}, *limits};
  cell->tool = tool->values;
  cell->user_frame = user_frame->values;
  return self;
}

void Cell_dealloc(PyObject* self) {
  Py_XDECREF(object_of(self)->robot);
  deallocate_instance(self);
}

PyObject* Cell_robot(PyObject* self, void*) {
  Py_INCREF(object_of(self)->robot);
  return object_of(self)->robot;
}
PyObject* Cell_tool(PyObject* self, void*) { return matrix_array(object_of(self)->tool); }
PyObject* Cell_user_frame(PyObject* self, void*) { return matrix_array(object_of(self)->user_frame); }

PyObject* stroke_or_none(const std::optional<Strokes>& strokes, JointVector Strokes::* side) {
  if (!strokes) Py_RETURN_NONE;
  return joint_vector_array((*strokes).*side);
}
PyObject* Cell_lower(PyObject* self, void*) {
  return stroke_or_none(object_of(self)->cell.limits.strokes, &Strokes::lower);
}
PyObject* Cell_upper(PyObject* self, void*) {
  return stroke_or_none(object_of(self)->cell.limits.strokes, &Strokes::upper);
}
PyObject* Cell_j2_plus_j3(PyObject* self, void*) {
  const std::optional<Interval>& range = object_of(self)->cell.limits.j2_plus_j3;
  if (!range) Py_RETURN_NONE;
  return Py_BuildValue("(dd)", range->low, range->high);
}

// Pickles as Cell(robot, **keywords) with every argument read back from the properties, which
// hold the values exactly as given.
PyObject* Cell_reduce(PyObject* self, PyObject*) {
  PyRef keywords{PyDict_New()};
  if (!keywords) return nullptr;
  constexpr std::array<std::pair<const char*, getter>, 5> properties{{
      {"tool", Cell_tool},
      {"user_frame", Cell_user_frame},
      {"lower", Cell_lower},
      {"upper", Cell_upper},
      {"j2_plus_j3", Cell_j2_plus_j3},
  }};
  for (const auto& [name, get] : properties) {
    PyRef value{get(self, nullptr)};
    if (!value || PyDict_SetItemString(keywords.get(), name, value.get()) < 0) return nullptr;
  }
  return reduce_to_keyword_call(cell_type, PyTuple_Pack(1, object_of(self)->robot), keywords.release());
}

PyMethodDef cell_methods[] = {
    {"fk", as_cfunction(guarded<Cell_fk>), METHOD_WITH_ARGUMENTS,
     "fk($self, joints)\n--\n\nThe pose of the TCP in the user frame for a set of joint angles.\n\n"
     "That is inv(UFRAME)·fk(joints)·UTOOL, a 4x4 array: the position and orientation the controller\n"
     "shows for the TCP in the user frame. The joints are controller degrees."},
    {"ik", as_cfunction(guarded<Cell_ik>), METHOD_WITH_ARGUMENTS,
     "ik($self, tcp_pose)\n--\n\nEvery configuration within the limits that puts the TCP at `tcp_pose`, as "
     "an (n, 6) array.\n\n"
     "`tcp_pose` is given in the user frame, as a 4x4 array or any object with an `as_numpy()` method.\n"
     "Each row of the robot's `ik` of the flange target is expanded into every copy J + 360·k (k an\n"
     "integer per joint) that satisfies the limits, in `ik`'s order and then in ascending joint values.\n"
     "Without limits the result is exactly the robot's `ik` of the flange target."},
    {"ik_closest", as_cfunction(guarded<Cell_ik_closest>), METHOD_WITH_ARGUMENTS,
     "ik_closest($self, tcp_pose, reference)\n--\n\n"
     "The configuration of `ik` nearest to `reference`, as a (6,) array, or None if there is none.\n\n"
     "Nearest means the smallest largest absolute joint difference, not wrapped: within the limits a\n"
     "whole turn is real motion. Ties go to the configuration listed first."},
    {"ik_path", as_cfunction(guarded<Cell_ik_path>), METHOD_WITH_ARGUMENTS,
     "ik_path($self, tcp_poses, start, *, max_step=30.0)\n--\n\n"
     "A joint path through a sequence of TCP poses, as an (n, 6) array.\n\n"
     "Each point is the `ik_closest` of its pose to the point before (the first: to `start`). Raises\n"
     "ValueError naming the index of the first pose with no configuration within the limits, or of\n"
     "the first point where some joint would move more than `max_step` degrees: a reconfiguration\n"
     "the caller must decide on, never a silent switch of configuration."},
    {"fk_many", as_cfunction(guarded<Cell_fk_many>), METHOD_WITH_ARGUMENTS,
     "fk_many($self, joints)\n--\n\nThe TCP poses in the user frame of many joint vectors, as an (n, 4, 4) "
     "array.\n\n"
     "`joints` is an (n, 6) array, or a sequence of joint vectors; row i equals `fk(joints[i])` bit\n"
     "for bit. The poses are computed with the interpreter lock released."},
    {"ik_many", as_cfunction(guarded<Cell_ik_many>), METHOD_WITH_ARGUMENTS,
     "ik_many($self, tcp_poses)\n--\n\nThe configurations of `ik` for each of many TCP poses, as a list of n "
     "(k_i, 6) arrays.\n\n"
     "`tcp_poses` is an (n, 4, 4) array, a sequence of poses, or an object whose `as_numpy()` returns\n"
     "one; element i equals `ik(tcp_poses[i])`. Every pose is checked before any is solved, and an\n"
     "error names the first bad one. The solving runs with the interpreter lock released."},
    {"ik_closest_many", as_cfunction(guarded<Cell_ik_closest_many>), METHOD_WITH_ARGUMENTS,
     "ik_closest_many($self, tcp_poses, references)\n--\n\n"
     "`ik_closest` for each TCP pose and its reference, as an (n, 6) array.\n\n"
     "`references` holds one finite joint vector per pose. A row is NaN where no configuration within\n"
     "the limits reaches the pose. The solving runs with the interpreter lock released."},
    {"__reduce__", guarded<Cell_reduce>, METH_NOARGS,
     "__reduce__($self, /)\n--\n\nPickle support: the cell is rebuilt from its robot and the values of its "
     "properties."},
    COPY_METHOD,
    DEEPCOPY_METHOD,
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef cell_getset[] = {
    {"robot", guarded<Cell_robot>, nullptr, "The robot of the cell.", nullptr},
    {"tool", guarded<Cell_tool>, nullptr,
     "The TCP in the flange frame (UTOOL), as a 4x4 array; the identity when none was given.", nullptr},
    {"user_frame", guarded<Cell_user_frame>, nullptr,
     "The user frame in the robot's world (UFRAME), as a 4x4 array; the identity when none was given.",
     nullptr},
    {"lower", guarded<Cell_lower>, nullptr,
     "The lower joint limits in controller degrees, inclusive, as a (6,) array, or None.", nullptr},
    {"upper", guarded<Cell_upper>, nullptr,
     "The upper joint limits in controller degrees, inclusive, as a (6,) array, or None.", nullptr},
    {"j2_plus_j3", guarded<Cell_j2_plus_j3>, nullptr,
     "The inclusive (low, high) range of J2 + J3, the relative elbow angle, in degrees, or None.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

constexpr const char CELL_DOC[] =
    "Cell(robot, *, tool=None, user_frame=None, lower=None, upper=None, j2_plus_j3=None)\n--\n\n"
    "A robot in a FANUC cell: its tool frame, its user frame and its joint limits.\n\n"
    "`tool` is the TCP in the flange frame (UTOOL) and `user_frame` the user frame in the robot's\n"
    "world (UFRAME), each a 4x4 rigid transform or an object with an `as_numpy()` method (default:\n"
    "the identity). `lower` and `upper` are six inclusive joint limits in controller degrees, given\n"
    "together, each stroke at most three turns wide; `j2_plus_j3` an inclusive (low, high) range of\n"
    "J2 + J3, which needs `lower` and `upper` as well. Without limits nothing is filtered or added.\n"
    "A cell is immutable and can be pickled.";

PyType_Slot cell_slots[] = {
    {Py_tp_doc, const_cast<char*>(CELL_DOC)},
    {Py_tp_new, as_slot(guarded<Cell_new>)},
    {Py_tp_methods, cell_methods},
    {Py_tp_getset, cell_getset},
    {Py_tp_dealloc, as_slot(Cell_dealloc)},
    {0, nullptr},
};

}  // namespace

PyObject* create_cell_type() {
  return shared_heap_type(
      cell_type,
      {.name = "talvane.Cell", .basicsize = sizeof(CellObject), .slots = cell_slots, .instantiable = true});
}

}  // namespace talvane::python
