// The core's Vec3 as an Eigen vector, for the stages that do their linear algebra with Eigen.
#pragma once

#include <Eigen/Core>

#include "vec3.hpp"

namespace talvane {

inline Eigen::Vector3d as_eigen(const Vec3& v) { return Eigen::Vector3d(v[0], v[1], v[2]); }

}  // namespace talvane
