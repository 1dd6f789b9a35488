#include "batch_convert.hpp"

#include <cstring>
#include <string>

#include "args.hpp"
#include "convert.hpp"
#include "numpy_api.hpp"
#include "pyref.hpp"
#include "rigid.hpp"
#include "target_pose.hpp"

namespace talvane::python {
namespace {

constexpr npy_intp JOINT_COUNT = 6;

// An array's float64 view: the array itself when it is float64 already, else NumPy's forced cast
// (asarray's), so that integer, object or long double arrays convert too.
PyRef float64_array(PyObject* object) {
  if (PyArray_Check(object) &&
      is_float64_array(object, PyArray_NDIM(reinterpret_cast<PyArrayObject*>(object)))) {
    Py_INCREF(object);
    return PyRef{object};
  }
  PyArray_Descr* float64 = PyArray_DescrFromType(NPY_DOUBLE);  // the reference is stolen
  return PyRef{PyArray_FromAny(object, float64, 0, 0, NPY_ARRAY_FORCECAST, nullptr)};
}

// Lists, tuples and other sequences are converted element by element, like the single calls'
// arguments; arrays and everything else go through NumPy as a whole.
bool is_element_sequence(PyObject* object) {
  return !PyArray_Check(object) && !PyUnicode_Check(object) && !PyBytes_Check(object) &&
         PySequence_Check(object);
}

// The float64 array of `object` if it has `trailing` as its last dimensions after one leading
// one, else ValueError "Expected an (n, ...) array of {what}, got shape [..]".
PyRef batch_array(PyObject* object, std::initializer_list<npy_intp> trailing, const char* expected) {
  PyRef array = float64_array(object);
  if (!array) return array;
  auto* view = reinterpret_cast<PyArrayObject*>(array.get());
  bool matches = PyArray_NDIM(view) == static_cast<int>(trailing.size()) + 1;
  int d = 1;
  for (const npy_intp length : trailing) matches = matches && PyArray_DIM(view, d++) == length;
  if (!matches) {
    PyErr_Format(PyExc_ValueError, "Expected %s, got shape %s", expected, shape_text(view).c_str());
    return PyRef{};
  }
  return array;
}

// The float64 at `offset` bytes into an array's data, whatever the strides and alignment.
double read_double(const char* data, npy_intp offset) {
  double value;
  std::memcpy(&value, data + offset, sizeof(value));
  return value;
}

// Calls `convert(item, index)` for every element of a sequence; false as soon as one fails.
template <typename Convert>
bool for_each_element(PyObject* object, Convert&& convert) {
  PyRef sequence{PySequence_Fast(object, "expected a sequence")};
  if (!sequence) return false;
  const Py_ssize_t count = PySequence_Size(sequence.get());
  if (count < 0) return false;
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyRef item{PySequence_GetItem(sequence.get(), i)};
    if (!item || !convert(item.get(), i)) return false;
  }
  return true;
}

}  // namespace

std::optional<std::vector<JointVector>> extract_joint_batch(PyObject* object, const char* name) {
  if (!ensure_numpy()) return std::nullopt;
  std::vector<JointVector> batch;
  if (is_element_sequence(object)) {
    const bool converted = for_each_element(object, [&](PyObject* item, Py_ssize_t i) {
      const auto joints = extract_joint_vector(item, name);
      if (!joints) return prefix_element_error(name, i);
      batch.push_back(*joints);
      return true;
    });
    if (!converted) return std::nullopt;
    return batch;
  }
  const PyRef array = batch_array(object, {JOINT_COUNT}, "an (n, 6) array of joint angles");
  if (!array) return std::nullopt;
  auto* view = reinterpret_cast<PyArrayObject*>(array.get());
  const char* data = static_cast<const char*>(PyArray_DATA(view));
  const npy_intp rows = PyArray_DIM(view, 0);
  batch.resize(static_cast<std::size_t>(rows));
  for (npy_intp i = 0; i < rows; ++i) {
    for (npy_intp j = 0; j < JOINT_COUNT; ++j) {
      batch[i][j] = read_double(data, i * PyArray_STRIDE(view, 0) + j * PyArray_STRIDE(view, 1));
    }
  }
  return batch;
}

std::optional<std::vector<Pose>> extract_pose_batch(PyObject* object, const char* name) {
  if (!ensure_numpy()) return std::nullopt;
  const PyRef resolved = resolve_as_numpy(object);
  if (!resolved) return std::nullopt;
  std::vector<Pose> batch;
  if (is_element_sequence(resolved.get())) {
    const bool converted = for_each_element(resolved.get(), [&](PyObject* item, Py_ssize_t i) {
      const auto pose = extract_target_pose(item);
      if (!pose) return prefix_element_error(name, i);
      batch.push_back(*pose);
      return true;
    });
    if (!converted) return std::nullopt;
    return batch;
  }
  const PyRef array = batch_array(resolved.get(), {4, 4}, "an (n, 4, 4) array of poses");
  if (!array) return std::nullopt;
  auto* view = reinterpret_cast<PyArrayObject*>(array.get());
  const char* data = static_cast<const char*>(PyArray_DATA(view));
  const npy_intp count = PyArray_DIM(view, 0);
  batch.reserve(static_cast<std::size_t>(count));
  for (npy_intp i = 0; i < count; ++i) {
    Matrix4 values;
    for (npy_intp r = 0; r < 4; ++r) {
      for (npy_intp c = 0; c < 4; ++c) {
        values[4 * r + c] = read_double(
            data, i * PyArray_STRIDE(view, 0) + r * PyArray_STRIDE(view, 1) + c * PyArray_STRIDE(view, 2));
      }
    }
    const PoseConversion converted = pose_from_row_major(values);
    if (!converted.pose) {
      const std::string error{converted.error};
      PyErr_Format(PyExc_ValueError, "%s[%zd]: %s", name, static_cast<Py_ssize_t>(i), error.c_str());
      return std::nullopt;
    }
    batch.push_back(*converted.pose);
  }
  return batch;
}

NewArray new_float64_array(std::initializer_list<Py_ssize_t> shape) {
  if (!ensure_numpy()) return {nullptr, nullptr};
  std::vector<npy_intp> dimensions(shape.begin(), shape.end());
  PyObject* array = PyArray_SimpleNew(static_cast<int>(dimensions.size()), dimensions.data(), NPY_DOUBLE);
  if (array == nullptr) return {nullptr, nullptr};
  return {array, static_cast<double*>(PyArray_DATA(reinterpret_cast<PyArrayObject*>(array)))};
}

PyObject* joints_array_list(std::span<const JointVector> rows, std::span<const std::size_t> ends) {
  PyRef list{PyList_New(static_cast<Py_ssize_t>(ends.size()))};
  if (!list) return nullptr;
  std::size_t begin = 0;
  for (std::size_t i = 0; i < ends.size(); ++i) {
    PyObject* array = joints_array(rows.subspan(begin, ends[i] - begin));
    if (array == nullptr) return nullptr;
    PyList_SetItem(list.get(), static_cast<Py_ssize_t>(i), array);  // the list takes the reference
    begin = ends[i];
  }
  return list.release();
}

}  // namespace talvane::python
