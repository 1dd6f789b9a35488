// The `LinkMeshes` class: loading a model's seven meshes, copies of them, and posing them.
#include <array>
#include <new>
#include <optional>
#include <utility>
#include <variant>

#include "args.hpp"
#include "classes.hpp"
#include "convert.hpp"
#include "entry_points.hpp"
#include "heap_type.hpp"
#include "instances.hpp"
#include "meshes/load.hpp"
#include "meshes/posing.hpp"
#include "pickling.hpp"
#include "pyref.hpp"

namespace talvane::python {

PyTypeObject* link_meshes_type = nullptr;

PyObject* new_link_meshes(LinkMeshes meshes) {
  PyObject* self = allocate_instance(link_meshes_type);
  if (self != nullptr) new (&reinterpret_cast<LinkMeshesObject*>(self)->meshes) LinkMeshes(std::move(meshes));
  return self;
}

namespace {

const LinkMeshes& meshes_of(PyObject* self) { return reinterpret_cast<LinkMeshesObject*>(self)->meshes; }

void LinkMeshes_dealloc(PyObject* self) {
  reinterpret_cast<LinkMeshesObject*>(self)->meshes.~LinkMeshes();
  deallocate_instance(self);
}

// A new list of seven new `LinkMesh` objects taking over `meshes`.
PyObject* mesh_list(LinkMeshes meshes) {
  PyRef list{PyList_New(static_cast<Py_ssize_t>(LINK_MESH_COUNT))};
  if (!list) return nullptr;
  for (std::size_t i = 0; i < LINK_MESH_COUNT; ++i) {
    PyObject* mesh = new_link_mesh(std::move(meshes[i]));
    if (mesh == nullptr) return nullptr;
    PyList_SetItem(list.get(), static_cast<Py_ssize_t>(i), mesh);  // steals the reference
  }
  return list.release();
}

// The `model` argument of the static methods, or nullopt with TypeError set.
std::optional<CrxModel> model_argument(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                                       PyObject* kwnames) {
  std::array<PyObject*, 1> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return std::nullopt;
  if (!check_instance(values[0], crx_model_class.type, "model")) return std::nullopt;
  return crx_model_of(values[0]);
}

PyObject* LinkMeshes_load(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"LinkMeshes.load()", {"model"}};
  const auto model = model_argument(signature, args, nargs, kwnames);
  if (!model) return nullptr;
  LoadResult result = load(*model);
  if (const auto* error = std::get_if<LoadError>(&result)) {
    PyErr_SetString(PyExc_ValueError, error->message.c_str());
    return nullptr;
  }
  return new_link_meshes(std::move(std::get<LinkMeshes>(result)));
}

PyObject* LinkMeshes_is_available(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"LinkMeshes.is_available()", {"model"}};
  const auto model = model_argument(signature, args, nargs, kwnames);
  if (!model) return nullptr;
  return PyBool_FromLong(is_available(*model));
}

PyObject* LinkMeshes_links(PyObject* self, void*) { return mesh_list(meshes_of(self)); }

struct PoseArguments {
  Crx robot;
  JointVector joints;
};

// The `robot` and `joints` arguments of `poses` and `posed`, or nullopt with an exception set.
std::optional<PoseArguments> pose_arguments(const Signature& signature, PyObject* const* args,
                                            Py_ssize_t nargs, PyObject* kwnames) {
  std::array<PyObject*, 2> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return std::nullopt;
  if (!check_instance(values[0], crx_type, "robot")) return std::nullopt;
  const Crx robot = robot_of(values[0]);
  const auto joints = extract_joint_vector(values[1], "joints");
  if (!joints) return std::nullopt;
  return PoseArguments{robot, *joints};
}

PyObject* LinkMeshes_poses(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"LinkMeshes.poses()", {"robot", "joints"}};
  const auto arguments = pose_arguments(signature, args, nargs, kwnames);
  if (!arguments) return nullptr;
  const MeshPoses mesh_poses = poses(arguments->robot, arguments->joints);
  return frames_array(mesh_poses);
}

PyObject* LinkMeshes_posed(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"LinkMeshes.posed()", {"robot", "joints"}};
  const auto arguments = pose_arguments(signature, args, nargs, kwnames);
  if (!arguments) return nullptr;
  return mesh_list(posed(meshes_of(self), arguments->robot, arguments->joints));
}

Py_ssize_t LinkMeshes_length(PyObject*) { return static_cast<Py_ssize_t>(LINK_MESH_COUNT); }

// The index goes through the unsigned conversion, so a negative one is an OverflowError rather
// than counting from the end.
PyObject* LinkMeshes_subscript(PyObject* self, PyObject* key) {
  PyRef index{PyNumber_Index(key)};
  if (!index) {
    prefix_argument_error("index");
    return nullptr;
  }
  const unsigned long long value = PyLong_AsUnsignedLongLong(index.get());
  if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return nullptr;
  if (value >= LINK_MESH_COUNT) {
    PyErr_SetString(PyExc_IndexError, "index out of range");
    return nullptr;
  }
  return new_link_mesh(meshes_of(self)[value]);
}

// Pickles as talvane._restore_link_meshes with the seven meshes, each pickled by itself.
PyObject* LinkMeshes_reduce(PyObject* self, PyObject*) {
  PyRef links{mesh_list(meshes_of(self))};
  if (!links) return nullptr;
  return reduce_to_module_function("_restore_link_meshes", Py_BuildValue("(N)", PyList_AsTuple(links.get())));
}

PyObject* LinkMeshes_repr(PyObject*) {
  return PyUnicode_FromFormat("LinkMeshes(links=%zu)", LINK_MESH_COUNT);
}

PyMethodDef link_meshes_methods[] = {
    {"load", as_cfunction(guarded<LinkMeshes_load>), STATIC_WITH_ARGUMENTS,
     "load(model)\n--\n\nDecode the seven meshes for a model.\n\n"
     ":param model: the model whose geometry to load, which must be `CrxModel.Crx5iA` or\n"
     "    `CrxModel.Crx10iA`\n"
     ":raises ValueError: if no geometry is embedded for the model"},
    {"is_available", as_cfunction(guarded<LinkMeshes_is_available>), STATIC_WITH_ARGUMENTS,
     "is_available(model)\n--\n\nReport whether geometry is embedded for a model without raising an "
     "exception."},
    {"poses", as_cfunction(guarded<LinkMeshes_poses>), METHOD_WITH_ARGUMENTS,
     "poses($self, robot, joints)\n--\n\n"
     "The pose of each of the seven meshes for a joint configuration, as a (7, 4, 4) array.\n\n"
     "The first is the identity, because the base does not move, and the remaining six are the\n"
     "frames from `fk_all` in order.\n\n"
     ":param robot: the robot whose kinematics produce the frames\n"
     ":param joints: six joint angles in degrees, as they appear in the robot controller"},
    {"posed", as_cfunction(guarded<LinkMeshes_posed>), METHOD_WITH_ARGUMENTS,
     "posed($self, robot, joints)\n--\n\n"
     "Copies of the seven meshes, each moved to its pose for a joint configuration.\n\n"
     "The robot is a separate argument from the model whose meshes were loaded, so geometry from\n"
     "one model can be posed on the kinematics of another. That is an approximation, and the\n"
     "caller decides whether it is a reasonable one.\n\n"
     ":param robot: the robot whose kinematics produce the frames\n"
     ":param joints: six joint angles in degrees, as they appear in the robot controller"},
    {"__reduce__", guarded<LinkMeshes_reduce>, METH_NOARGS,
     "__reduce__($self, /)\n--\n\nPickle support: the seven meshes are rebuilt from their vertices and "
     "faces."},
    COPY_METHOD,
    DEEPCOPY_METHOD,
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef link_meshes_getset[] = {
    {"links", guarded<LinkMeshes_links>, nullptr, "The seven meshes in their authored frames, as a list.",
     nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

constexpr const char LINK_MESHES_DOC[] =
    "The seven meshes that draw one robot: the stationary base and the six moving links.\n\n"
    "Index 0 is the base and index `i` is the link that moves with frame `i - 1` of `fk_all`. The\n"
    "last one is the flange, whose mating face lies on the z = 0 plane of the pose `fk` reports.\n"
    "Coordinates are in millimeters.\n\n"
    "Geometry is embedded for the CRX-5iA and the CRX-10iA only.";

PyType_Slot link_meshes_slots[] = {
    {Py_tp_doc, const_cast<char*>(LINK_MESHES_DOC)},
    {Py_tp_repr, as_slot(guarded<LinkMeshes_repr>)},
    {Py_tp_methods, link_meshes_methods},
    {Py_tp_getset, link_meshes_getset},
    {Py_mp_length, as_slot(guarded<LinkMeshes_length>)},
    {Py_mp_subscript, as_slot(guarded<LinkMeshes_subscript>)},
    {Py_tp_dealloc, as_slot(LinkMeshes_dealloc)},
    {0, nullptr},
};

}  // namespace

PyObject* create_link_meshes_type() {
  return shared_heap_type(link_meshes_type,
                          {"talvane.LinkMeshes", sizeof(LinkMeshesObject), link_meshes_slots});
}

}  // namespace talvane::python
