"""Forward kinematics of the CRX chain as 4x4 matrices, for posing and checking the meshes.

Joint angles are controller degrees; J3's kinematic angle includes J2.
"""

import math

import numpy as np

AXES = ((0, 0, 1), (0, 1, 0), (0, -1, 0), (-1, 0, 0), (0, -1, 0), (-1, 0, 0))
FLANGE_ROTATION = np.array([[0.0, 0.0, 1.0], [0.0, -1.0, 0.0], [1.0, 0.0, 0.0]])


def rotation(axis, angle):
    """Right-handed rotation by ``angle`` radians about the unit ``axis``."""
    k = np.asarray(axis, dtype=np.float64)
    kx = np.array([[0.0, -k[2], k[1]], [k[2], 0.0, -k[0]], [-k[1], k[0], 0.0]])
    return np.eye(3) + math.sin(angle) * kx + (1.0 - math.cos(angle)) * (kx @ kx)


def transform(rot=None, trans=(0.0, 0.0, 0.0)):
    t = np.eye(4)
    if rot is not None:
        t[:3, :3] = rot
    t[:3, 3] = trans
    return t


def fk_all(dims, joints_deg):
    """The six frames (link 1 ... flange) as 4x4 matrices in the base frame."""
    r = [math.radians(j) for j in joints_deg]
    theta = [r[0], r[1], r[2] + r[1], r[3], r[4], r[5]]
    offsets = {2: (0.0, 0.0, dims.z1), 4: (dims.x1, -dims.y1, 0.0), 5: (dims.x2, 0.0, 0.0)}
    t = np.eye(4)
    frames = []
    for k in range(6):
        if k in offsets:
            t = t @ transform(trans=offsets[k])
        t = t @ transform(rotation(AXES[k], theta[k]))
        if k == 5:
            t = t @ transform(FLANGE_ROTATION)
        frames.append(t)
    return frames


def link_poses(dims, joints_deg):
    """Seven poses: identity for the base, then frame i - 1 for mesh i."""
    return [np.eye(4)] + fk_all(dims, joints_deg)


def apply(pose, points):
    return points @ pose[:3, :3].T + pose[:3, 3]
