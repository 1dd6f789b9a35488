#include "ik/reconstruct_joints.hpp"

#include <Eigen/Geometry>
#include <cmath>
#include <numbers>

#include "ik/eigen_vector.hpp"
#include "ik/ik_tolerances.hpp"
#include "ik/wrist_circle.hpp"

namespace talvane {

namespace {

Eigen::Matrix3d rotation(double angle, const Eigen::Vector3d& axis) {
  return Eigen::AngleAxisd(angle, axis).toRotationMatrix();
}

double degrees(double radians) { return radians * RAD_TO_DEG; }

}  // namespace

std::array<JointVector, 2> reconstruct_joints(const IkContext& ctx, const Vec3& elbow,
                                              const Vec3& circle_point, double theta) {
  const double tol = ctx.robot.z1() * AXIS_TOLERANCE;
  double j1 = 0.0;
  if (std::hypot(circle_point[0], circle_point[1]) > tol) {
    j1 = std::atan2(circle_point[1], circle_point[0]);
  } else if (std::hypot(elbow[0], elbow[1]) > tol) {
    j1 = std::atan2(elbow[1], elbow[0]);
  }
  return reconstruct_joints_at(ctx, elbow, circle_point, theta, j1);
}

std::optional<std::array<JointVector, 2>> reconstruct_joints_facing_p(const IkContext& ctx, const Vec3& elbow,
                                                                      const Vec3& circle_point,
                                                                      double theta) {
  if (!(std::hypot(circle_point[0], circle_point[1]) > 0.0)) return std::nullopt;
  return reconstruct_joints_at(ctx, elbow, circle_point, theta, std::atan2(circle_point[1], circle_point[0]));
}

std::array<JointVector, 2> reconstruct_joints_in_plane_of_p(const IkContext& ctx, const Vec3& elbow,
                                                            const Vec3& circle_point, double theta) {
  if (const auto facing = reconstruct_joints_facing_p(ctx, elbow, circle_point, theta)) return *facing;
  return reconstruct_joints(ctx, elbow, circle_point, theta);
}

std::array<JointVector, 2> reconstruct_joints_at(const IkContext& ctx, const Vec3& elbow,
                                                 const Vec3& circle_point, double theta, double j1) {
  constexpr double PI = std::numbers::pi;
  const Eigen::Vector3d e = as_eigen(elbow);
  const Eigen::Vector3d p = as_eigen(circle_point);
  const Eigen::Vector3d w = as_eigen(ctx.wrist_center);
  const Eigen::Vector3d flange = as_eigen(ctx.flange_position);
  const Matrix4 target = pose_to_matrix(ctx.target);
  const Eigen::Vector3d tool_x(target[0], target[4], target[8]);
  const Eigen::Vector3d tool_z(target[2], target[6], target[10]);
  // Offsets shorter than this give their directions only as rounding (see the header).
  const double short_link = ctx.robot.z1() * AXIS_TOLERANCE;

  const Eigen::Matrix3d r1 = rotation(j1, Eigen::Vector3d::UnitZ());
  const Eigen::Vector3d e1 = r1.transpose() * e;
  const double j2 = std::atan2(e1.x(), e1.z());
  const Eigen::Matrix3d r2 = r1 * rotation(j2, Eigen::Vector3d::UnitY());
  const Eigen::Vector3d forearm = r2.transpose() * (p - e);
  const double alpha = std::atan2(forearm.z(), forearm.x());
  const Eigen::Matrix3d r3 = r2 * rotation(-alpha, Eigen::Vector3d::UnitY());
  // W − P, or for a lateral offset too short to give it its direction, −N(θ).
  const Eigen::Vector3d offset =
      r3.transpose() * (ctx.robot.y1() > short_link
                            ? Eigen::Vector3d(w - p)
                            : Eigen::Vector3d(-as_eigen(offset_direction(ctx, theta))));
  const double j4 = std::atan2(offset.z(), -offset.y());
  const Eigen::Matrix3d r4 = r3 * rotation(-j4, Eigen::Vector3d::UnitX());
  const Eigen::Vector3d wrist =
      r4.transpose() * (ctx.robot.x2() > short_link ? Eigen::Vector3d(flange - w) : tool_z);
  const double j5 = std::atan2(wrist.z(), wrist.x());
  const Eigen::Matrix3d r5 = r4 * rotation(-j5, Eigen::Vector3d::UnitY());
  const Eigen::Vector3d u = r5.transpose() * tool_x;
  const double j6 = std::atan2(u.y(), u.z());

  const double w1 = wrap_angle(j1);
  const double w2 = wrap_angle(j2);
  const double wa = wrap_angle(alpha);
  const double w4 = wrap_angle(j4);
  const double w5 = wrap_angle(j5);
  const double w6 = wrap_angle(j6);
  const JointVector first{degrees(w1), degrees(w2), degrees(wa) - degrees(w2),
                          degrees(w4), degrees(w5), degrees(w6)};
  const double twin_j2 = wrap_angle(-w2);
  const JointVector second{
      degrees(wrap_angle(w1 - PI)), degrees(twin_j2), degrees(wrap_angle(PI - wa)) - degrees(twin_j2),
      degrees(wrap_angle(w4 - PI)), degrees(w5),      degrees(w6)};
  return {first, second};
}

}  // namespace talvane
