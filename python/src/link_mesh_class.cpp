// The `LinkMesh` class: one link's mesh, handed out as fresh NumPy arrays, and its rigid copies.
#include <array>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "args.hpp"
#include "classes.hpp"
#include "entry_points.hpp"
#include "heap_type.hpp"
#include "instances.hpp"
#include "meshes/posing.hpp"
#include "numpy_api.hpp"
#include "pickling.hpp"
#include "pyref.hpp"
#include "target_pose.hpp"

namespace talvane::python {

PyTypeObject* link_mesh_type = nullptr;

PyObject* new_link_mesh(LinkMesh mesh) {
  PyObject* self = allocate_instance(link_mesh_type);
  if (self != nullptr) new (&reinterpret_cast<LinkMeshObject*>(self)->mesh) LinkMesh(std::move(mesh));
  return self;
}

namespace {

static_assert(sizeof(Vec3) == 3 * sizeof(double), "vertices must be packed rows of three float64");
static_assert(sizeof(MeshFace) == 3 * sizeof(std::uint32_t), "faces must be packed rows of three uint32");

const LinkMesh& mesh_of(PyObject* self) { return reinterpret_cast<LinkMeshObject*>(self)->mesh; }

void LinkMesh_dealloc(PyObject* self) {
  reinterpret_cast<LinkMeshObject*>(self)->mesh.~LinkMesh();
  deallocate_instance(self);
}

// A new C-ordered (count, 3) array of `type` holding a copy of `rows`.
template <typename Row>
PyObject* rows_array(const std::vector<Row>& rows, int type) {
  if (!ensure_numpy()) return nullptr;
  npy_intp shape[2] = {static_cast<npy_intp>(rows.size()), 3};
  PyObject* array = PyArray_SimpleNew(2, shape, type);
  if (array == nullptr) return nullptr;
  if (!rows.empty()) {
    std::memcpy(PyArray_DATA(reinterpret_cast<PyArrayObject*>(array)), rows.data(),
                rows.size() * sizeof(Row));
  }
  return array;
}

PyObject* LinkMesh_vertices(PyObject* self, void*) { return rows_array(mesh_of(self).vertices, NPY_DOUBLE); }
PyObject* LinkMesh_faces(PyObject* self, void*) { return rows_array(mesh_of(self).faces, NPY_UINT32); }

PyObject* LinkMesh_vertex_count(PyObject* self, void*) {
  return PyLong_FromSize_t(mesh_of(self).vertices.size());
}
PyObject* LinkMesh_face_count(PyObject* self, void*) { return PyLong_FromSize_t(mesh_of(self).faces.size()); }

PyObject* LinkMesh_transformed(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"LinkMesh.transformed()", {"transform"}};
  std::array<PyObject*, 1> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  const auto pose = extract_target_pose(values[0]);
  if (!pose) return nullptr;
  return new_link_mesh(transform_mesh(mesh_of(self), *pose));
}

PyObject* LinkMesh_repr(PyObject* self) {
  const LinkMesh& mesh = mesh_of(self);
  return PyUnicode_FromFormat("LinkMesh(vertices=%zu, faces=%zu)", mesh.vertices.size(), mesh.faces.size());
}

// The raw bytes of a mesh's rows, in the machine's byte order.
template <typename Row>
PyObject* rows_bytes(const std::vector<Row>& rows) {
  return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(rows.data()),
                                   static_cast<Py_ssize_t>(rows.size() * sizeof(Row)));
}

// Pickles as talvane._restore_link_mesh(vertex bytes, face bytes), which checks them again.
PyObject* LinkMesh_reduce(PyObject* self, PyObject*) {
  PyRef vertices{rows_bytes(mesh_of(self).vertices)};
  PyRef faces{rows_bytes(mesh_of(self).faces)};
  if (!vertices || !faces) return nullptr;
  return reduce_to_module_function("_restore_link_mesh", PyTuple_Pack(2, vertices.get(), faces.get()));
}

PyMethodDef link_mesh_methods[] = {
    {"transformed", as_cfunction(guarded<LinkMesh_transformed>), METHOD_WITH_ARGUMENTS,
     "transformed($self, transform)\n--\n\nReturn a copy of this mesh with every vertex moved by a "
     "transformation.\n\n"
     "The transformation may be a 4x4 array or any object with an `as_numpy()` method returning\n"
     "one, which is the same input `ik` accepts for a target."},
    {"__reduce__", guarded<LinkMesh_reduce>, METH_NOARGS,
     "__reduce__($self, /)\n--\n\nPickle support: the mesh is rebuilt from its vertices and faces."},
    COPY_METHOD,
    DEEPCOPY_METHOD,
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef link_mesh_getset[] = {
    {"vertices", guarded<LinkMesh_vertices>, nullptr,
     "The vertex positions in millimeters, as an (n, 3) array of float64.\n\n"
     "The array is a fresh copy on every access, so writing into it does not change the mesh.",
     nullptr},
    {"faces", guarded<LinkMesh_faces>, nullptr,
     "The triangles, as an (m, 3) array of uint32 indexing into `vertices`.\n\n"
     "The array is a fresh copy on every access, so writing into it does not change the mesh.",
     nullptr},
    {"vertex_count", guarded<LinkMesh_vertex_count>, nullptr, "The number of vertices in the mesh.", nullptr},
    {"face_count", guarded<LinkMesh_face_count>, nullptr, "The number of triangles in the mesh.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

constexpr const char LINK_MESH_DOC[] =
    "The visual geometry of one robot link, as arrays a mesh library can consume directly.";

PyType_Slot link_mesh_slots[] = {
    {Py_tp_doc, const_cast<char*>(LINK_MESH_DOC)},
    {Py_tp_repr, as_slot(guarded<LinkMesh_repr>)},
    {Py_tp_methods, link_mesh_methods},
    {Py_tp_getset, link_mesh_getset},
    {Py_tp_dealloc, as_slot(LinkMesh_dealloc)},
    {0, nullptr},
};

}  // namespace

PyObject* create_link_mesh_type() {
  return shared_heap_type(link_mesh_type, {"talvane.LinkMesh", sizeof(LinkMeshObject), link_mesh_slots});
}

}  // namespace talvane::python
