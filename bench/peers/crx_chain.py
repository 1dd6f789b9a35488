"""The CRX as a general 6R arm: joint axes H and offsets P, and the joint conversions.

The chain is read off talvane's forward kinematics: fixed axes J1 z, J2 y, J3 -y, J4 -x, J5 -y,
J6 -x; offsets (0, 0, z1) before J3, (x1, -y1, 0) before J5 and (x2, 0, 0) before J6; then the
constant flange rotation. In product-of-exponentials form (all vectors in the base frame at the zero
pose) P[i] runs from a point on axis i to a point on axis i + 1. The J6 point is put at the J5 origin
(J5 and J6 intersect there) so that P[5] = 0 and the x2 offset moves into P[6]; this changes nothing
in the forward kinematics, because x2 lies along the J6 axis.

Two conventions differ from talvane's joints:
- controller J3 is the forearm's elevation: the kinematic angle about J3's axis is J3 + J2;
- some solvers need J2 and J3 to turn about the same direction, so J3's axis may be given as +y
  with the kinematic angle negated.
"""

import numpy as np

X = np.array([1.0, 0.0, 0.0])
Y = np.array([0.0, 1.0, 0.0])
Z = np.array([0.0, 0.0, 1.0])
ORIGIN = np.zeros(3)

# Flange frame in the frame of the last link: flange z along the link's +x, flange x along its +z.
FLANGE_ROTATION = np.array([[0.0, 0.0, 1.0], [0.0, -1.0, 0.0], [1.0, 0.0, 0.0]])


def axes(j3_along_j2=False):
    """H: six unit joint axes at the zero pose, one per row."""
    return np.array([Z, Y, Y if j3_along_j2 else -Y, -X, -Y, -X])


def offsets(robot, scale=1.0):
    """P: seven offsets, one per row, in millimetres times `scale`."""
    z1, x1, x2, y1 = robot.z1, robot.x1, robot.x2, robot.y1
    return scale * np.array([ORIGIN, ORIGIN, z1 * Z, ORIGIN, x1 * X - y1 * Y, ORIGIN, x2 * X])


def kinematic_radians(joints_deg, j3_along_j2=False):
    """Controller degrees (n, 6) or (6,) to the angles about H's axes, radians."""
    q = np.radians(np.asarray(joints_deg, dtype=float))
    q[..., 2] = q[..., 2] + q[..., 1]
    if j3_along_j2:
        q[..., 2] = -q[..., 2]
    return q


def controller_degrees(q_rad, j3_along_j2=False):
    """The inverse of `kinematic_radians`."""
    q = np.array(q_rad, dtype=float)
    if j3_along_j2:
        q[..., 2] = -q[..., 2]
    q[..., 2] = q[..., 2] - q[..., 1]
    return np.degrees(q)


def poe_forward(h, p, q):
    """Flange rotation and position of the product-of-exponentials chain, for checking a peer's H and P."""
    rotation = np.eye(3)
    position = p[0].copy()
    for axis, angle, offset in zip(h, q, p[1:]):
        rotation = rotation @ axis_rotation(axis, angle)
        position = position + rotation @ offset
    return rotation @ FLANGE_ROTATION, position


def axis_rotation(axis, angle):
    k = np.array([[0.0, -axis[2], axis[1]], [axis[2], 0.0, -axis[0]], [-axis[1], axis[0], 0.0]])
    return np.eye(3) + np.sin(angle) * k + (1.0 - np.cos(angle)) * (k @ k)


def urdf(robot, limit=2.0 * np.pi):
    """The chain as a URDF robot description, metres: links base, link1..link6 and tool (the flange
    position, without the flange rotation), every joint revolute within +-`limit` radians about
    its H axis, the joint frames parallel to the base at the zero pose."""
    h = axes()
    p = offsets(robot, scale=1e-3)
    links = ["base", *(f"link{i}" for i in range(1, 7)), "tool"]

    def vector(v):
        return " ".join(repr(float(x)) for x in v)

    lines = ['<?xml version="1.0"?>', '<robot name="crx">', *(f'  <link name="{name}"/>' for name in links)]
    for i in range(6):
        lines.append(
            f'  <joint name="j{i + 1}" type="revolute"><parent link="{links[i]}"/>'
            f'<child link="{links[i + 1]}"/>'
            f'<origin xyz="{vector(p[i])}" rpy="0 0 0"/><axis xyz="{vector(h[i])}"/>'
            f'<limit lower="{-limit!r}" upper="{limit!r}" effort="1" velocity="1"/></joint>'
        )
    lines.append(
        f'  <joint name="tool" type="fixed"><parent link="link6"/><child link="tool"/>'
        f'<origin xyz="{vector(p[6])}" rpy="0 0 0"/></joint>'
    )
    lines.append("</robot>")
    return "\n".join(lines)
