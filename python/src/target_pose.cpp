#include "target_pose.hpp"

#include <array>
#include <cstring>

#include "numpy_api.hpp"
#include "rigid.hpp"

namespace talvane::python {
namespace {

// The object itself if it already is a 2-D float64 array, else NumPy's float64 conversion of it.
// Any failure, including a result of another dimension, becomes the one "not an array" error.
PyRef float64_matrix(PyObject* object) {
  if (is_float64_array(object, 2)) {
    Py_INCREF(object);
    return PyRef{object};
  }
  PyArray_Descr* float64 = PyArray_DescrFromType(NPY_DOUBLE);  // the reference is stolen
  // asarray's cast: forced, so that object, string or long double arrays convert too.
  PyRef converted{PyArray_FromAny(object, float64, 0, 0, NPY_ARRAY_FORCECAST, nullptr)};
  if (!converted || !is_float64_array(converted.get(), 2)) {
    PyErr_Clear();
    PyErr_SetString(PyExc_ValueError, NOT_AN_ARRAY);
    return PyRef{};
  }
  return converted;
}

// The 16 elements in logical row-major order, whatever the array's strides and alignment.
std::array<double, 16> row_major_values(PyArrayObject* array) {
  const char* data = static_cast<const char*>(PyArray_DATA(array));
  const npy_intp row_stride = PyArray_STRIDE(array, 0);
  const npy_intp column_stride = PyArray_STRIDE(array, 1);
  std::array<double, 16> values{};
  for (npy_intp r = 0; r < 4; ++r) {
    for (npy_intp c = 0; c < 4; ++c) {
      std::memcpy(&values[4 * r + c], data + r * row_stride + c * column_stride, sizeof(double));
    }
  }
  return values;
}

}  // namespace

PyRef resolve_as_numpy(PyObject* object) {
  PyRef method{PyObject_GetAttrString(object, "as_numpy")};
  if (!method) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return PyRef{};
    PyErr_Clear();
    Py_INCREF(object);
    return PyRef{object};
  }
  return PyRef{PyObject_CallNoArgs(method.get())};
}

std::optional<Pose> extract_target_pose(PyObject* object) {
  const auto target = extract_target_matrix(object);
  if (!target) return std::nullopt;
  return target->pose;
}

std::optional<TargetMatrix> extract_target_matrix(PyObject* object) {
  if (!ensure_numpy()) return std::nullopt;
  const PyRef target = resolve_as_numpy(object);
  if (!target) return std::nullopt;
  const PyRef matrix = float64_matrix(target.get());
  if (!matrix) return std::nullopt;

  auto* array = reinterpret_cast<PyArrayObject*>(matrix.get());
  const npy_intp rows = PyArray_DIM(array, 0);
  const npy_intp columns = PyArray_DIM(array, 1);
  if (rows != 4 || columns != 4) {
    PyErr_Format(PyExc_ValueError, "Expected a 4x4 transformation matrix, got shape [%zd, %zd]",
                 static_cast<Py_ssize_t>(rows), static_cast<Py_ssize_t>(columns));
    return std::nullopt;
  }

  const Matrix4 values = row_major_values(array);
  const PoseConversion converted = pose_from_row_major(values);
  if (!converted.pose) {
    const PyRef message{
        PyUnicode_FromStringAndSize(converted.error.data(), static_cast<Py_ssize_t>(converted.error.size()))};
    if (message) PyErr_SetObject(PyExc_ValueError, message.get());
    return std::nullopt;
  }
  return TargetMatrix{values, *converted.pose};
}

}  // namespace talvane::python
