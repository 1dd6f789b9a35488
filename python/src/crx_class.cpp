// The `Crx` class: constructors, link dimensions and forward kinematics.
#include <array>

#include "args.hpp"
#include "classes.hpp"
#include "convert.hpp"
#include "crx_batch.hpp"
#include "crx_ik.hpp"
#include "entry_points.hpp"
#include "fk.hpp"
#include "heap_type.hpp"
#include "instances.hpp"
#include "pickling.hpp"
#include "pyref.hpp"

namespace talvane::python {

PyTypeObject* crx_type = nullptr;

PyObject* new_crx(const Crx& robot) {
  PyObject* self = allocate_instance(crx_type);
  if (self != nullptr) reinterpret_cast<CrxObject*>(self)->robot = robot;
  return self;
}

namespace {

PyObject* Crx_from_params(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Crx.from_params()", {"z1", "x1", "x2", "y1"}};
  std::array<PyObject*, 4> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  std::array<double, 4> dimensions{};
  auto name = signature.parameters.begin();
  for (std::size_t i = 0; i < values.size(); ++i, ++name) {
    if (!convert_double(values[i], *name, &dimensions[i])) return nullptr;
  }
  return new_crx(Crx::from_params(dimensions[0], dimensions[1], dimensions[2], dimensions[3]));
}

PyObject* Crx_from_model(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Crx.from_model()", {"model"}};
  std::array<PyObject*, 1> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  if (!check_instance(values[0], crx_model_class.type, "model")) return nullptr;
  return new_crx(Crx::from_model(crx_model_of(values[0])));
}

template <CrxModel model>
PyObject* Crx_catalogued(PyObject*, PyObject*) {
  return new_crx(Crx::from_model(model));
}

PyObject* Crx_z1(PyObject* self, void*) { return PyFloat_FromDouble(robot_of(self).z1()); }
PyObject* Crx_x1(PyObject* self, void*) { return PyFloat_FromDouble(robot_of(self).x1()); }
PyObject* Crx_x2(PyObject* self, void*) { return PyFloat_FromDouble(robot_of(self).x2()); }
PyObject* Crx_y1(PyObject* self, void*) { return PyFloat_FromDouble(robot_of(self).y1()); }

PyObject* Crx_fk(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Crx.fk()", {"joints"}};
  const auto joints = joints_argument(signature, args, nargs, kwnames);
  if (!joints) return nullptr;
  return matrix_array(fk(robot_of(self), *joints));
}

PyObject* Crx_fk_all(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"Crx.fk_all()", {"joints"}};
  const auto joints = joints_argument(signature, args, nargs, kwnames);
  if (!joints) return nullptr;
  const Frames frames = fk_all(robot_of(self), *joints);
  return frames_array(frames);
}

// Pickles as Crx.from_params with the four dimensions, which rebuilds the robot exactly.
PyObject* Crx_reduce(PyObject* self, PyObject*) {
  PyRef factory{PyObject_GetAttrString(reinterpret_cast<PyObject*>(crx_type), "from_params")};
  if (!factory) return nullptr;
  const Crx& robot = robot_of(self);
  return reduce_to_call(factory.get(),
                        Py_BuildValue("(dddd)", robot.z1(), robot.x1(), robot.x2(), robot.y1()));
}

PyMethodDef crx_methods[] = {
    {"from_params", as_cfunction(guarded<Crx_from_params>), STATIC_WITH_ARGUMENTS,
     "from_params(z1, x1, x2, y1)\n--\n\nBuild a robot from its four link dimensions, in millimeters."},
    {"from_model", as_cfunction(guarded<Crx_from_model>), STATIC_WITH_ARGUMENTS,
     "from_model(model)\n--\n\nBuild a robot with the link dimensions of a FANUC CRX model."},
    {"crx3ia", as_cfunction(guarded<Crx_catalogued<CrxModel::Crx3iA>>), STATIC_WITHOUT_ARGUMENTS,
     "crx3ia()\n--\n\nThe CRX-3iA."},
    {"crx5ia", as_cfunction(guarded<Crx_catalogued<CrxModel::Crx5iA>>), STATIC_WITHOUT_ARGUMENTS,
     "crx5ia()\n--\n\nThe CRX-5iA."},
    {"crx10ia", as_cfunction(guarded<Crx_catalogued<CrxModel::Crx10iA>>), STATIC_WITHOUT_ARGUMENTS,
     "crx10ia()\n--\n\nThe CRX-10iA."},
    {"crx10ial", as_cfunction(guarded<Crx_catalogued<CrxModel::Crx10iAL>>), STATIC_WITHOUT_ARGUMENTS,
     "crx10ial()\n--\n\nThe CRX-10iA/L."},
    {"crx20ial", as_cfunction(guarded<Crx_catalogued<CrxModel::Crx20iAL>>), STATIC_WITHOUT_ARGUMENTS,
     "crx20ial()\n--\n\nThe CRX-20iA/L."},
    {"crx30ia", as_cfunction(guarded<Crx_catalogued<CrxModel::Crx30iA>>), STATIC_WITHOUT_ARGUMENTS,
     "crx30ia()\n--\n\nThe CRX-30iA."},
    {"fk", as_cfunction(guarded<Crx_fk>), METHOD_WITH_ARGUMENTS,
     "fk($self, joints)\n--\n\nCompute the pose of the flange for a set of joint angles.\n\n"
     "The joints are in degrees as they appear in the robot controller, and the returned 4x4\n"
     "matrix matches the controller in both position and orientation."},
    {"fk_all", as_cfunction(guarded<Crx_fk_all>), METHOD_WITH_ARGUMENTS,
     "fk_all($self, joints)\n--\n\nCompute the pose of every frame in the kinematic chain, as a (6, 4, 4) "
     "array.\n\n"
     "The last of the six is the flange and matches `fk`. The others are at the kinematic link\n"
     "origins, which have no corresponding values in the controller."},
    {"ik", as_cfunction(guarded<Crx_ik>), METHOD_WITH_ARGUMENTS,
     "ik($self, target)\n--\n\nEvery joint configuration which puts the flange at `target`, as an (n, 6) "
     "array.\n\n"
     "The target may be a 4x4 array or any object with an `as_numpy()` method returning one. An\n"
     "unreachable target gives an array with no rows. Use `ik_detailed` when the residual or the\n"
     "kind of each solution matters."},
    {"ik_detailed", as_cfunction(guarded<Crx_ik_detailed>), METHOD_WITH_ARGUMENTS,
     "ik_detailed($self, target)\n--\n\nThe same solutions as `ik`, each carrying its residual and its "
     "kind."},
    {"ik_closest", as_cfunction(guarded<Crx_ik_closest>), METHOD_WITH_ARGUMENTS,
     "ik_closest($self, target, reference)\n--\n\n"
     "The solution whose joints are nearest to `reference`, or None if the target is unreachable.\n\n"
     "A caller following a path can pass the robot's current joint vector as `reference` to reach\n"
     "the next pose with the least joint movement, which keeps the arm from reconfiguring during\n"
     "the move."},
    {"fk_many", as_cfunction(guarded<Crx_fk_many>), METHOD_WITH_ARGUMENTS,
     "fk_many($self, joints)\n--\n\nThe flange poses of many joint vectors at once, as an (n, 4, 4) "
     "array.\n\n"
     "`joints` is an (n, 6) array, or a sequence of joint vectors; row i of the result equals\n"
     "`fk(joints[i])` bit for bit. The poses are computed with the interpreter lock released."},
    {"ik_many", as_cfunction(guarded<Crx_ik_many>), METHOD_WITH_ARGUMENTS,
     "ik_many($self, targets)\n--\n\nEvery joint configuration for each of many targets, as a list of n "
     "(k_i, 6) "
     "arrays.\n\n"
     "`targets` is an (n, 4, 4) array, a sequence of targets, or an object whose `as_numpy()` returns\n"
     "one; element i of the result equals `ik(targets[i])`. Every target is checked before any is\n"
     "solved, and an error names the first bad one. The solving runs with the interpreter lock\n"
     "released, so that calls from several threads run in parallel."},
    {"ik_closest_many", as_cfunction(guarded<Crx_ik_closest_many>), METHOD_WITH_ARGUMENTS,
     "ik_closest_many($self, targets, references)\n--\n\n"
     "The joints of `ik_closest` for each target and its reference, as an (n, 6) array.\n\n"
     "`references` holds one joint vector per target. A row is NaN where the target is unreachable.\n"
     "The solving runs with the interpreter lock released."},
    {"__reduce__", guarded<Crx_reduce>, METH_NOARGS,
     "__reduce__($self, /)\n--\n\nPickle support: the robot is rebuilt by `from_params` with its four "
     "dimensions."},
    COPY_METHOD,
    DEEPCOPY_METHOD,
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef crx_getset[] = {
    {"z1", guarded<Crx_z1>, nullptr, "The height of the J3 origin above the J2 origin, in millimeters.",
     nullptr},
    {"x1", guarded<Crx_x1>, nullptr,
     "The length of the forearm, from the J3 origin to the J5 origin, in millimeters.", nullptr},
    {"x2", guarded<Crx_x2>, nullptr, "The distance from the J5 origin to the flange, in millimeters.",
     nullptr},
    {"y1", guarded<Crx_y1>, nullptr,
     "The lateral offset of the J5 origin from the forearm axis, in millimeters.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

constexpr const char CRX_DOC[] =
    "A FANUC CRX robot defined by the four link dimensions that distinguish the models.";

PyType_Slot crx_slots[] = {
    {Py_tp_doc, const_cast<char*>(CRX_DOC)},
    {Py_tp_methods, crx_methods},
    {Py_tp_getset, crx_getset},
    {Py_tp_dealloc, as_slot(deallocate_instance)},
    {0, nullptr},
};

}  // namespace

PyObject* create_crx_type() {
  return shared_heap_type(crx_type, {"talvane.Crx", sizeof(CrxObject), crx_slots});
}

}  // namespace talvane::python
