#include "numpy_api.hpp"

#include "pyref.hpp"

// The table of NumPy's C API and the running NumPy's feature version; null until first use.
NPY_API_SYMBOL_ATTRIBUTE void** PyArray_API = nullptr;
NPY_API_SYMBOL_ATTRIBUTE int PyArray_RUNTIME_VERSION = 0;

namespace talvane::python {
namespace {

// The installed NumPy's major version, as numpy.lib.NumpyVersion reads it; -1 on error.
long numpy_major_version() {
  PyRef numpy{PyImport_ImportModule("numpy")};
  if (!numpy) return -1;
  PyRef lib{PyImport_ImportModule("numpy.lib")};
  if (!lib) return -1;
  PyRef version_class{PyObject_GetAttrString(lib.get(), "NumpyVersion")};
  if (!version_class) return -1;
  PyRef version_text{PyObject_GetAttrString(numpy.get(), "__version__")};
  if (!version_text) return -1;
  PyRef version{PyObject_CallFunctionObjArgs(version_class.get(), version_text.get(), nullptr)};
  if (!version) return -1;
  PyRef major{PyObject_GetAttrString(version.get(), "major")};
  if (!major) return -1;
  return PyLong_AsLong(major.get());
}

}  // namespace

bool ensure_numpy() {
  if (PyArray_API != nullptr) return true;

  const long major = numpy_major_version();
  if (major == -1 && PyErr_Occurred()) return false;
  // NumPy 2 moved its C extension from numpy.core to numpy._core.
  const char* multiarray_name = major >= 2 ? "numpy._core._multiarray_umath" : "numpy.core._multiarray_umath";
  PyRef multiarray{PyImport_ImportModule(multiarray_name)};
  if (!multiarray) return false;
  PyRef capsule{PyObject_GetAttrString(multiarray.get(), "_ARRAY_API")};
  if (!capsule) return false;
  if (!PyCapsule_CheckExact(capsule.get())) {
    PyErr_SetString(PyExc_RuntimeError, "_ARRAY_API is not a capsule");
    return false;
  }
  void** api = static_cast<void**>(PyCapsule_GetPointer(capsule.get(), nullptr));
  if (api == nullptr) return false;

  // The same compatibility checks NumPy's own import performs, against the table just found.
  PyArray_API = api;
  const unsigned int abi_version = PyArray_GetNDArrayCVersion();
  const unsigned int feature_version = PyArray_GetNDArrayCFeatureVersion();
  if (abi_version > NPY_VERSION || feature_version < NPY_FEATURE_VERSION) {
    PyArray_API = nullptr;
    PyErr_Format(PyExc_ImportError,
                 "talvane was built for NumPy C-API 0x%x (ABI 0x%x), which the installed NumPy (C-API 0x%x, "
                 "ABI 0x%x) does not provide",
                 static_cast<unsigned int>(NPY_FEATURE_VERSION), static_cast<unsigned int>(NPY_VERSION),
                 feature_version, abi_version);
    return false;
  }
  PyArray_RUNTIME_VERSION = static_cast<int>(feature_version);
  return true;
}

bool is_float64_array(PyObject* object, int dimensions) {
  if (!PyArray_Check(object)) return false;
  auto* array = reinterpret_cast<PyArrayObject*>(object);
  if (PyArray_NDIM(array) != dimensions) return false;
  PyArray_Descr* float64 = PyArray_DescrFromType(NPY_DOUBLE);
  const bool equivalent = PyArray_EquivTypes(PyArray_DESCR(array), float64);
  Py_DECREF(float64);
  return equivalent;
}

std::string shape_text(PyArrayObject* array) {
  std::string text = "[";
  for (int d = 0; d < PyArray_NDIM(array); ++d) {
    if (d != 0) text += ", ";
    text += std::to_string(PyArray_DIM(array, d));
  }
  return text + "]";
}

}  // namespace talvane::python
