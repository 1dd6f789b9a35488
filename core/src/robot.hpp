// The CRX robot record, the catalogue of models and the joint-angle convention.
#pragma once

#include <array>
#include <cstdint>

#include "angles.hpp"
#include "vec3.hpp"

namespace talvane {

// J1..J6 in degrees exactly as the controller displays them; never wrapped or range-checked.
using JointVector = std::array<double, 6>;

// θ1..θ6 in radians, as used inside the kinematics.
using KinematicAngles = std::array<double, 6>;

enum class CrxModel : std::uint8_t {
  Crx3iA = 0,
  Crx5iA = 1,
  Crx10iA = 2,
  Crx10iAL = 3,
  Crx20iAL = 4,
  Crx30iA = 5,
};

inline constexpr std::size_t MODEL_COUNT = 6;

// The models' names in discriminant order: the members of the Python enumeration and the names in
// messages.
inline constexpr std::array<const char*, MODEL_COUNT> CRX_MODEL_NAMES{"Crx3iA",   "Crx5iA",   "Crx10iA",
                                                                      "Crx10iAL", "Crx20iAL", "Crx30iA"};

inline const char* crx_model_name(CrxModel model) { return CRX_MODEL_NAMES[static_cast<std::size_t>(model)]; }

// Link dimensions in millimetres, one array per dimension, indexed by the model's discriminant.
struct ModelDimensions {
  std::array<double, MODEL_COUNT> z1;
  std::array<double, MODEL_COUNT> x1;
  std::array<double, MODEL_COUNT> x2;
  std::array<double, MODEL_COUNT> y1;
};

inline constexpr ModelDimensions MODEL_DIMENSIONS{
    {280.0, 410.0, 540.0, 710.0, 710.0, 950.0},
    {280.0, 430.0, 540.0, 540.0, 540.0, 750.0},
    {123.0, 145.0, 160.0, 160.0, 160.0, 180.0},
    {111.0, 130.0, 150.0, 150.0, 150.0, 185.0},
};

// The fixed joint axes J1..J6, each in the frame of the link before the joint.
inline constexpr std::array<Vec3, 6> JOINT_AXES{{
    {0.0, 0.0, 1.0},
    {0.0, 1.0, 0.0},
    {-0.0, -1.0, -0.0},
    {-1.0, -0.0, -0.0},
    {-0.0, -1.0, -0.0},
    {-1.0, -0.0, -0.0},
}};

// A CRX arm: six joint axes and four link dimensions (mm). An immutable value; it carries no
// model identity, because two models can share the same dimensions.
class Crx {
 public:
  static Crx from_model(CrxModel model);
  // Stores the values unchanged: zero, negative or non-finite dimensions are accepted.
  static Crx from_params(double z1, double x1, double x2, double y1);

  static Crx crx3ia() { return from_model(CrxModel::Crx3iA); }
  static Crx crx5ia() { return from_model(CrxModel::Crx5iA); }
  static Crx crx10ia() { return from_model(CrxModel::Crx10iA); }
  static Crx crx10ial() { return from_model(CrxModel::Crx10iAL); }
  static Crx crx20ial() { return from_model(CrxModel::Crx20iAL); }
  static Crx crx30ia() { return from_model(CrxModel::Crx30iA); }

  const std::array<Vec3, 6>& axes() const { return axes_; }
  // Height of the J3 origin above the J2 origin.
  double z1() const { return z1_; }
  // Forearm length, J3 origin to J5 origin.
  double x1() const { return x1_; }
  // Distance from the J5 origin to the flange.
  double x2() const { return x2_; }
  // Lateral offset of the J5 origin from the forearm axis.
  double y1() const { return y1_; }

  friend bool operator==(const Crx&, const Crx&) = default;

 private:
  Crx(double z1, double x1, double x2, double y1) : axes_(JOINT_AXES), z1_(z1), x1_(x1), x2_(x2), y1_(y1) {}

  std::array<Vec3, 6> axes_;
  double z1_;
  double x1_;
  double x2_;
  double y1_;
};

// Controller degrees to kinematic radians: each angle times DEG_TO_RAD, and θ3 = r3 + r2
// (the controller's J3 is the forearm's elevation, which already contains J2).
KinematicAngles to_kinematic_angles(const JointVector& joints);

}  // namespace talvane
