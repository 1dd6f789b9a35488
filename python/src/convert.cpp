#include "convert.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "numpy_api.hpp"
#include "pyref.hpp"

namespace talvane::python {
namespace {

constexpr npy_intp JOINT_COUNT = 6;

// Reads a 1-D float64 array in place, honouring its stride and alignment.
JointValues read_joint_array(PyArrayObject* array) {
  JointValues values;
  values.count = PyArray_DIM(array, 0);
  const char* data = static_cast<const char*>(PyArray_DATA(array));
  const npy_intp stride = PyArray_STRIDE(array, 0);
  for (npy_intp i = 0; i < std::min<npy_intp>(values.count, JOINT_COUNT); ++i) {
    std::memcpy(&values.first[i], data + i * stride, sizeof(double));
  }
  return values;
}

// Whether the pending exception means only "not a sequence of numbers", so that NumPy's conversion
// may be tried instead: TypeError or ValueError, which it then clears. Anything else
// (KeyboardInterrupt, MemoryError, RecursionError, OverflowError, ...) stays set and propagates:
// retrying would hide it or run the failing code twice.
bool clear_if_not_numbers() {
  if (!PyErr_ExceptionMatches(PyExc_TypeError) && !PyErr_ExceptionMatches(PyExc_ValueError)) return false;
  PyErr_Clear();
  return true;
}

// The outcome of reading a sequence with Python's float conversion.
struct SequenceRead {
  std::optional<JointValues> values;  // the values, when every item converted
  bool failed = false;                // an exception is set that must propagate
};

// A sequence whose every item converts with Python's float conversion. A TypeError or ValueError
// on the way means "not this way" and is cleared (the caller falls back to NumPy); any other
// exception is left set and reported as failed.
SequenceRead read_number_sequence(PyObject* object) {
  if (PyUnicode_Check(object) || !PySequence_Check(object)) return {};
  const auto stop = []() -> SequenceRead { return {std::nullopt, !clear_if_not_numbers()}; };
  PyRef iterator{PyObject_GetIter(object)};
  if (!iterator) return stop();
  JointValues sequence;
  while (PyRef item{PyIter_Next(iterator.get())}) {
    const double value = PyFloat_AsDouble(item.get());
    if (value == -1.0 && PyErr_Occurred()) return stop();
    // Only six values can ever be used, so longer sequences are counted, not stored.
    if (sequence.count < JOINT_COUNT) sequence.first[sequence.count] = value;
    ++sequence.count;
  }
  if (PyErr_Occurred()) return stop();
  return {sequence, false};
}

PyObject* new_float64_array(int dimensions, npy_intp* shape) {
  return PyArray_SimpleNew(dimensions, shape, NPY_DOUBLE);
}

double* array_data(PyObject* array) {
  return static_cast<double*>(PyArray_DATA(reinterpret_cast<PyArrayObject*>(array)));
}

}  // namespace

std::optional<JointValues> convert_joint_values(PyObject* object, const char* name) {
  if (!ensure_numpy()) return std::nullopt;
  if (is_float64_array(object, 1)) return read_joint_array(reinterpret_cast<PyArrayObject*>(object));

  const SequenceRead sequence = read_number_sequence(object);
  if (sequence.values) return sequence.values;
  if (sequence.failed) return std::nullopt;

  PyArray_Descr* float64 = PyArray_DescrFromType(NPY_DOUBLE);  // the reference is stolen
  // asarray's cast: forced, so that object, string or long double arrays convert too.
  PyRef converted{PyArray_FromAny(object, float64, 0, 0, NPY_ARRAY_FORCECAST, nullptr)};
  if (!converted) return std::nullopt;
  if (!is_float64_array(converted.get(), 1)) {
    PyErr_Format(
        PyExc_TypeError,
        "argument '%s': expected a one-dimensional array of joint angles, got an array with %d dimensions",
        name, PyArray_NDIM(reinterpret_cast<PyArrayObject*>(converted.get())));
    return std::nullopt;
  }
  return read_joint_array(reinterpret_cast<PyArrayObject*>(converted.get()));
}

std::optional<JointVector> require_six_joints(const JointValues& values) {
  if (values.count != JOINT_COUNT) {
    PyErr_Format(PyExc_ValueError, "Expected 6 joint angles, got %zd", values.count);
    return std::nullopt;
  }
  return values.first;
}

std::optional<JointVector> extract_joint_vector(PyObject* object, const char* name) {
  const auto values = convert_joint_values(object, name);
  if (!values) return std::nullopt;
  return require_six_joints(*values);
}

std::optional<JointVector> joints_argument(const Signature& signature, PyObject* const* args,
                                           Py_ssize_t nargs, PyObject* kwnames) {
  std::array<PyObject*, 1> values{};
  if (!parse_arguments(signature, args, nargs, kwnames, values)) return std::nullopt;
  return extract_joint_vector(values[0], *signature.parameters.begin());
}

PyObject* matrix_array(const Pose& pose) { return matrix_array(pose_to_matrix(pose)); }

PyObject* matrix_array(const Matrix4& matrix) {
  if (!ensure_numpy()) return nullptr;
  npy_intp shape[2] = {4, 4};
  PyObject* array = new_float64_array(2, shape);
  if (array == nullptr) return nullptr;
  std::memcpy(array_data(array), matrix.data(), sizeof(matrix));
  return array;
}

PyObject* frames_array(std::span<const Pose> frames) {
  if (!ensure_numpy()) return nullptr;
  npy_intp shape[3] = {static_cast<npy_intp>(frames.size()), 4, 4};
  PyObject* array = PyArray_ZEROS(3, shape, NPY_DOUBLE, 0);
  if (array == nullptr) return nullptr;
  double* data = array_data(array);
  for (const Pose& frame : frames) {
    const Matrix4 matrix = pose_to_matrix(frame);
    std::memcpy(data, matrix.data(), sizeof(matrix));
    data += matrix.size();
  }
  return array;
}

PyObject* joints_array(std::span<const JointVector> solutions) {
  if (!ensure_numpy()) return nullptr;
  npy_intp shape[2] = {static_cast<npy_intp>(solutions.size()), JOINT_COUNT};
  PyObject* array = new_float64_array(2, shape);
  if (array == nullptr) return nullptr;
  double* data = array_data(array);
  for (const JointVector& joints : solutions) {
    std::memcpy(data, joints.data(), sizeof(joints));
    data += JOINT_COUNT;
  }
  return array;
}

PyObject* joint_vector_array(const JointVector& joints) {
  if (!ensure_numpy()) return nullptr;
  npy_intp shape[1] = {JOINT_COUNT};
  PyObject* array = new_float64_array(1, shape);
  if (array == nullptr) return nullptr;
  std::memcpy(array_data(array), joints.data(), sizeof(joints));
  return array;
}

}  // namespace talvane::python
