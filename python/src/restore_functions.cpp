// The private functions that unpickling calls to rebuild `IkSolution`, `LinkMesh` and
// `LinkMeshes`, which Python cannot create otherwise. They check what they are given as strictly
// as the classes' own invariants require, since a pickle can be edited.
#include <array>
#include <cstring>
#include <vector>

#include "args.hpp"
#include "classes.hpp"
#include "convert.hpp"
#include "entry_points.hpp"
#include "pyref.hpp"

namespace talvane::python {
namespace {

PyObject* restore_ik_solution(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"_restore_ik_solution()", {"joints", "residual", "theta", "kind"}};
  std::array<PyObject*, 4> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  IkSolution solution{};
  const auto joints = extract_joint_vector(values[0], "joints");
  if (!joints) return nullptr;
  solution.joints = *joints;
  if (!convert_double(values[1], "residual", &solution.residual) ||
      !convert_double(values[2], "theta", &solution.theta) ||
      !check_instance(values[3], solution_kind_class.type, "kind")) {
    return nullptr;
  }
  solution.kind = static_cast<SolutionKind>(enum_value(values[3]));
  return new_ik_solution(solution);
}

// The rows of a bytes object, or false with ValueError if its length is not a whole number of rows.
template <typename Row>
bool read_rows(PyObject* object, const char* name, std::vector<Row>& rows) {
  if (!PyBytes_Check(object)) {
    PyErr_Format(PyExc_TypeError, "argument '%s': expected bytes", name);
    return false;
  }
  const Py_ssize_t size = PyBytes_Size(object);
  if (size % static_cast<Py_ssize_t>(sizeof(Row)) != 0) {
    PyErr_Format(PyExc_ValueError, "argument '%s': %zd bytes are not a whole number of rows", name, size);
    return false;
  }
  rows.resize(static_cast<std::size_t>(size) / sizeof(Row));
  if (size > 0) std::memcpy(rows.data(), PyBytes_AsString(object), static_cast<std::size_t>(size));
  return true;
}

PyObject* restore_link_mesh(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"_restore_link_mesh()", {"vertices", "faces"}};
  std::array<PyObject*, 2> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  LinkMesh mesh;
  if (!read_rows(values[0], "vertices", mesh.vertices) || !read_rows(values[1], "faces", mesh.faces)) {
    return nullptr;
  }
  // A mesh's faces index its vertices; nothing downstream checks that again.
  for (const MeshFace& face : mesh.faces) {
    for (const std::uint32_t index : face) {
      if (index >= mesh.vertices.size()) {
        PyErr_Format(PyExc_ValueError, "argument 'faces': index %u is past the %zu vertices", index,
                     mesh.vertices.size());
        return nullptr;
      }
    }
  }
  return new_link_mesh(std::move(mesh));
}

PyObject* restore_link_meshes(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"_restore_link_meshes()", {"links"}};
  std::array<PyObject*, 1> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  if (!PyTuple_Check(values[0]) || PyTuple_Size(values[0]) != static_cast<Py_ssize_t>(LINK_MESH_COUNT)) {
    PyErr_Format(PyExc_ValueError, "argument 'links': expected a tuple of %zu LinkMesh objects",
                 LINK_MESH_COUNT);
    return nullptr;
  }
  LinkMeshes meshes;
  for (std::size_t i = 0; i < LINK_MESH_COUNT; ++i) {
    PyObject* link = PyTuple_GetItem(values[0], static_cast<Py_ssize_t>(i));
    if (!check_instance(link, link_mesh_type, "links")) return nullptr;
    meshes[i] = reinterpret_cast<LinkMeshObject*>(link)->mesh;
  }
  return new_link_meshes(std::move(meshes));
}

}  // namespace

PyMethodDef restore_functions[] = {
    {"_restore_ik_solution", as_cfunction(guarded<restore_ik_solution>), METHOD_WITH_ARGUMENTS,
     "_restore_ik_solution(joints, residual, theta, kind)\n--\n\nRebuilds a pickled IkSolution."},
    {"_restore_link_mesh", as_cfunction(guarded<restore_link_mesh>), METHOD_WITH_ARGUMENTS,
     "_restore_link_mesh(vertices, faces)\n--\n\nRebuilds a pickled LinkMesh from its raw rows."},
    {"_restore_link_meshes", as_cfunction(guarded<restore_link_meshes>), METHOD_WITH_ARGUMENTS,
     "_restore_link_meshes(links)\n--\n\nRebuilds pickled LinkMeshes from its seven meshes."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace talvane::python
