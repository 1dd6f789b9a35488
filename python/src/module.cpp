// The `talvane` module: multi-phase initialisation whose single execution step adds the classes.
//
// The class objects are process-wide, not module state: each is created by the first execution
// step and kept in a static pointer (classes.hpp) for the life of the process. The static
// factories (`Crx.crx10ia()`, `LinkMeshes.load()`, ...) receive no class and no module, and the
// 3.10 stable ABI has no lookup of a module by its definition, so module state could reach them
// only through `sys.modules`. NumPy, which nearly every method needs, does not support
// subinterpreters either. So the module lives in one interpreter per process: re-importing or
// reloading it there gives back the same classes, and importing it in a second interpreter raises
// ImportError rather than sharing objects between interpreters.
#include <cstdint>

#include "classes.hpp"
#include "entry_points.hpp"
#include "pyref.hpp"

namespace talvane::python {
namespace {

// The interpreter that first executed the module, whose objects the classes are; -1 before that.
std::int64_t owning_interpreter = -1;

// Whether the module may be executed in the running interpreter; false with ImportError set.
bool claim_interpreter() {
  const std::int64_t current = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (current < 0) return false;
  if (owning_interpreter == -1) owning_interpreter = current;
  if (current == owning_interpreter) return true;
  PyErr_SetString(PyExc_ImportError,
                  "talvane can be imported in only one interpreter per process, and another has imported it");
  return false;
}

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
  if (!claim_interpreter()) return -1;
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
