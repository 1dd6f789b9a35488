// The module functions `pose_from_xyzwpr` and `xyzwpr_from_pose`, vectorised over leading
// dimensions.
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "args.hpp"
#include "cell/xyzwpr.hpp"
#include "classes.hpp"
#include "entry_points.hpp"
#include "numpy_api.hpp"
#include "pyref.hpp"
#include "rigid.hpp"
#include "target_pose.hpp"

namespace talvane::python {
namespace {

// A C-contiguous float64 copy or view of `object`, through NumPy's forced cast; null with NumPy's
// exception set.
PyRef contiguous_float64(PyObject* object) {
  PyArray_Descr* float64 = PyArray_DescrFromType(NPY_DOUBLE);  // the reference is stolen
  return PyRef{PyArray_FromAny(object, float64, 0, 0, NPY_ARRAY_IN_ARRAY | NPY_ARRAY_FORCECAST, nullptr)};
}

// A new float64 array of the input's leading dimensions followed by `trailing`.
PyRef result_array(PyArrayObject* input, int input_trailing, std::initializer_list<npy_intp> trailing) {
  std::vector<npy_intp> shape;
  const int leading = PyArray_NDIM(input) - input_trailing;
  for (int d = 0; d < leading; ++d) shape.push_back(PyArray_DIM(input, d));
  shape.insert(shape.end(), trailing);
  return PyRef{PyArray_SimpleNew(static_cast<int>(shape.size()), shape.data(), NPY_DOUBLE)};
}

PyObject* pose_from_xyzwpr(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"pose_from_xyzwpr()", {"xyzwpr"}};
  std::array<PyObject*, 1> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  if (!ensure_numpy()) return nullptr;
  const PyRef input = contiguous_float64(values[0]);
  if (!input) {
    prefix_argument_error("xyzwpr");
    return nullptr;
  }
  auto* array = reinterpret_cast<PyArrayObject*>(input.get());
  const int dimensions = PyArray_NDIM(array);
  if (dimensions == 0 || PyArray_DIM(array, dimensions - 1) != 6) {
    PyErr_Format(PyExc_ValueError, "Expected XYZWPR values in a last dimension of 6, got shape %s",
                 shape_text(array).c_str());
    return nullptr;
  }
  const npy_intp count = PyArray_SIZE(array) / 6;
  const auto* in = static_cast<const double*>(PyArray_DATA(array));
  for (npy_intp i = 0; i < 6 * count; ++i) {
    if (!std::isfinite(in[i])) {
      PyErr_SetString(PyExc_ValueError, "XYZWPR values must be finite");
      return nullptr;
    }
  }
  PyRef result = result_array(array, 1, {4, 4});
  if (!result) return nullptr;
  auto* out = static_cast<double*>(PyArray_DATA(reinterpret_cast<PyArrayObject*>(result.get())));
  for (npy_intp n = 0; n < count; ++n) {
    Xyzwpr position;
    std::memcpy(position.data(), in + 6 * n, sizeof(position));
    const Matrix4 matrix = matrix_from_xyzwpr(position);
    std::memcpy(out + 16 * n, matrix.data(), sizeof(matrix));
  }
  return result.release();
}

PyObject* xyzwpr_from_pose(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  static const Signature signature{"xyzwpr_from_pose()", {"pose"}};
  std::array<PyObject*, 1> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return nullptr;
  if (!ensure_numpy()) return nullptr;
  const PyRef target = resolve_as_numpy(values[0]);
  if (!target) return nullptr;
  const PyRef input = contiguous_float64(target.get());
  auto* array = reinterpret_cast<PyArrayObject*>(input.get());
  if (!input || PyArray_NDIM(array) < 2) {
    PyErr_Clear();
    PyErr_SetString(PyExc_ValueError, NOT_AN_ARRAY);
    return nullptr;
  }
  const int dimensions = PyArray_NDIM(array);
  if (PyArray_DIM(array, dimensions - 2) != 4 || PyArray_DIM(array, dimensions - 1) != 4) {
    PyErr_Format(PyExc_ValueError, "Expected a 4x4 transformation matrix, got shape %s",
                 shape_text(array).c_str());
    return nullptr;
  }
  const npy_intp count = PyArray_SIZE(array) / 16;
  const auto* in = static_cast<const double*>(PyArray_DATA(array));
  PyRef result = result_array(array, 2, {6});
  if (!result) return nullptr;
  auto* out = static_cast<double*>(PyArray_DATA(reinterpret_cast<PyArrayObject*>(result.get())));
  for (npy_intp n = 0; n < count; ++n) {
    Matrix4 matrix;
    std::memcpy(matrix.data(), in + 16 * n, sizeof(matrix));
    const PoseConversion converted = pose_from_row_major(matrix);
    if (!converted.pose) {
      const PyRef message{PyUnicode_FromStringAndSize(converted.error.data(),
                                                      static_cast<Py_ssize_t>(converted.error.size()))};
      if (message) PyErr_SetObject(PyExc_ValueError, message.get());
      return nullptr;
    }
    const Xyzwpr position = xyzwpr_from_matrix(matrix);
    std::memcpy(out + 6 * n, position.data(), sizeof(position));
  }
  return result.release();
}

}  // namespace

PyMethodDef module_functions[] = {
    {"pose_from_xyzwpr", as_cfunction(guarded<pose_from_xyzwpr>), METHOD_WITH_ARGUMENTS,
     "pose_from_xyzwpr(xyzwpr)\n--\n\nThe 4x4 pose of a FANUC XYZWPR position, or an (..., 4, 4) array of "
     "them.\n\n"
     "x, y, z are millimeters; W, P, R degrees, rotations about the fixed x, y and z axes in that\n"
     "order, so the rotation is Rz(R)·Ry(P)·Rx(W). The input has six values in its last dimension:\n"
     "(6,) gives (4, 4), (n, 6) gives (n, 4, 4). Every value must be finite."},
    {"xyzwpr_from_pose", as_cfunction(guarded<xyzwpr_from_pose>), METHOD_WITH_ARGUMENTS,
     "xyzwpr_from_pose(pose)\n--\n\nThe FANUC XYZWPR position of a 4x4 pose, or an (..., 6) array for a "
     "stack of poses.\n\n"
     "W, P and R come back in (-180, 180], P within [-90, 90]. At P = +-90 degrees (gimbal lock) only\n"
     "R - W (P = 90) or R + W (P = -90) is defined, and the position with W = 0 is returned. The pose\n"
     "may be any object with an `as_numpy()` method; each matrix must be a rigid transform."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace talvane::python
