// The `talvane` module: multi-phase initialisation whose single execution step adds the classes.
#include "classes.hpp"
#include "entry_points.hpp"
#include "pyref.hpp"

namespace talvane::python {
namespace {

struct ClassEntry {
  const char* name;
  PyObject* (*create)();
};

// The classes in the order they are added to the module and to `__all__`.
constexpr ClassEntry CLASSES[] = {
    {"Crx", create_crx_type},
    {"CrxModel", create_crx_model_type},
    {"IkSolution", create_ik_solution_type},
    {"LinkMesh", create_link_mesh_type},
    {"LinkMeshes", create_link_meshes_type},
    {"SolutionKind", create_solution_kind_type},
    {"Cell", create_cell_type},
};

// The functions, added by the module definition, listed in `__all__` after the classes.
constexpr const char* FUNCTION_NAMES[] = {"pose_from_xyzwpr", "xyzwpr_from_pose"};

int talvane_exec(PyObject* module) {
  PyRef all{PyList_New(0)};
  if (!all) return -1;
  for (const ClassEntry& entry : CLASSES) {
    PyRef type{entry.create()};
    if (!type) return -1;
    PyRef name{PyUnicode_FromString(entry.name)};
    if (!name || PyList_Append(all.get(), name.get()) < 0) return -1;
    if (PyModule_AddObjectRef(module, entry.name, type.get()) < 0) return -1;
  }
  for (const char* function : FUNCTION_NAMES) {
    PyRef name{PyUnicode_FromString(function)};
    if (!name || PyList_Append(all.get(), name.get()) < 0) return -1;
  }
  // Private, so they stay out of `__all__`.
  if (PyModule_AddFunctions(module, restore_functions) < 0) return -1;
  return PyModule_AddObjectRef(module, "__all__", all.get());
}

PyModuleDef_Slot talvane_slots[] = {
    {Py_mod_exec, as_slot(guarded<talvane_exec>)},
    {0, nullptr},
};

PyModuleDef talvane_module = {
    PyModuleDef_HEAD_INIT,
    "talvane",
    "Forward and inverse kinematics for the FANUC CRX series of collaborative robots.",
    0,
    module_functions,
    talvane_slots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace
}  // namespace talvane::python

PyMODINIT_FUNC PyInit_talvane() { return PyModuleDef_Init(&talvane::python::talvane_module); }
