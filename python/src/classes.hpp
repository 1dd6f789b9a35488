// The module's classes: their instance layouts and the functions that create the class objects.
//
// Each class object is created once, by the module's first execution step, and lives as long as
// the process (see module.cpp); methods reach the classes they need through these pointers.
#pragma once

#include "cell/cell.hpp"
#include "enum_class.hpp"
#include "ik/solve_ik.hpp"
#include "meshes/link_mesh.hpp"
#include "python.hpp"
#include "robot.hpp"

namespace talvane::python {

struct CrxObject {
  PyObject_HEAD Crx robot;
};

// The robot of a `Crx`.
inline const Crx& robot_of(PyObject* self) { return reinterpret_cast<CrxObject*>(self)->robot; }

extern PyTypeObject* crx_type;
extern EnumClass crx_model_class;

// Each creates its class object if it does not exist yet and returns a new reference to it, or
// null with an exception set.
PyObject* create_crx_type();
PyObject* create_crx_model_type();

// A new `Crx` holding `robot`.
PyObject* new_crx(const Crx& robot);

// The model a `CrxModel` member stands for.
CrxModel crx_model_of(PyObject* member);

struct IkSolutionObject {
  PyObject_HEAD IkSolution solution;
};

extern PyTypeObject* ik_solution_type;
extern EnumClass solution_kind_class;

PyObject* create_ik_solution_type();
PyObject* create_solution_kind_type();

// A new `IkSolution` holding `solution`.
PyObject* new_ik_solution(const IkSolution& solution);

// The shared `SolutionKind` member object for `kind` (a new reference), or null with an exception set.
PyObject* solution_kind_member(SolutionKind kind);

// The member's bare name: "Regular", "AxisDegenerate" or "SingularFamily".
const char* solution_kind_name(SolutionKind kind);

struct LinkMeshObject {
  PyObject_HEAD LinkMesh mesh;
};

struct LinkMeshesObject {
  PyObject_HEAD LinkMeshes meshes;
};

extern PyTypeObject* link_mesh_type;
extern PyTypeObject* link_meshes_type;

PyObject* create_link_mesh_type();
PyObject* create_link_meshes_type();

// A new `LinkMesh` taking over `mesh`.
PyObject* new_link_mesh(LinkMesh mesh);

// A new `LinkMeshes` taking over `meshes`.
PyObject* new_link_meshes(LinkMeshes meshes);

struct CellObject {
  PyObject_HEAD
      // The `Crx` the cell was built with, returned by its `robot` property.
      PyObject* robot;
  Cell cell;
  // The frames exactly as given, so that the properties and pickling reproduce them bit for bit.
  Matrix4 tool;
  Matrix4 user_frame;
};

// The cell of a `Cell`.
inline const Cell& cell_of(PyObject* self) { return reinterpret_cast<CellObject*>(self)->cell; }

extern PyTypeObject* cell_type;

PyObject* create_cell_type();

// The module's functions: `pose_from_xyzwpr` and `xyzwpr_from_pose`, null-terminated.
extern PyMethodDef module_functions[];

// The private functions that unpickling calls to rebuild the classes Python cannot create
// (`_restore_ik_solution`, `_restore_link_mesh`, `_restore_link_meshes`), null-terminated.
extern PyMethodDef restore_functions[];

}  // namespace talvane::python
