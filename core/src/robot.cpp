#include "robot.hpp"

namespace talvane {

Crx Crx::from_model(CrxModel model) {
  const auto index = static_cast<std::size_t>(model);
  return Crx(MODEL_DIMENSIONS.z1[index], MODEL_DIMENSIONS.x1[index], MODEL_DIMENSIONS.x2[index],
             MODEL_DIMENSIONS.y1[index]);
}

Crx Crx::from_params(double z1, double x1, double x2, double y1) { return Crx(z1, x1, x2, y1); }

KinematicAngles to_kinematic_angles(const JointVector& joints) {
  KinematicAngles r{};
  for (std::size_t i = 0; i < 6; ++i) r[i] = joints[i] * DEG_TO_RAD;
  r[2] = r[2] + r[1];
  return r;
}

}  // namespace talvane
