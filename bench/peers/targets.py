"""Reachable targets with the joint vector that generated each: random, and near the singularities.

Every target is talvane's `fk` of a joint vector, so the generating vector is one known solution.
Joint vectors are in controller degrees in [-180, 180).
"""

from dataclasses import dataclass

import numpy as np
import talvane


@dataclass
class TargetSet:
    model: str  # "CRX-10iA"
    kind: str  # "random", "J5 near 0", ...
    robot: talvane.Crx
    joints: np.ndarray  # (n, 6) generating joint vectors, controller degrees
    poses: np.ndarray  # (n, 4, 4) flange poses, mm


def wrap_degrees(a):
    return (np.asarray(a) + 180.0) % 360.0 - 180.0


def tiny_offsets(rng, n, low_exp, high_exp):
    """Signed magnitudes spread log-uniformly between 10**low_exp and 10**high_exp."""
    return rng.choice([-1.0, 1.0], n) * 10.0 ** rng.uniform(low_exp, high_exp, n)


def random_joints(rng, n):
    return rng.uniform(-180.0, 180.0, (n, 6))


def wrist_singular_joints(rng, n):
    """J5 within 1e-7 to 1 degree of 0: J4 and J6 nearly parallel."""
    joints = random_joints(rng, n)
    joints[:, 4] = tiny_offsets(rng, n, -7.0, 0.0)
    return joints


def wrist_centre(robot, joints):
    return robot.fk_all(joints)[4][:3, 3]


def shoulder_singular_joints(robot, rng, n):
    """The wrist centre (J5 origin) within about 1e-6 to 1 mm of the J1 axis.

    The J5 origin's offset across the arm plane is y1·cos J4, so J4 = ±90 puts it in the plane; J2
    then tilts the upper arm until the wrist centre is over the shoulder (J3 held, the forearm keeps
    its direction). A small change of J2 moves it off the axis again.
    """
    joints = random_joints(rng, 4 * n)
    joints[:, 3] = rng.choice([-90.0, 90.0], len(joints))
    kept = []
    for q in joints:
        q = q.copy()
        q[0] = 0.0
        q[1] = 0.0
        forearm = wrist_centre(robot, q) - np.array([0.0, 0.0, robot.z1])
        if abs(forearm[0]) > robot.z1:
            continue
        j2 = np.degrees(np.arcsin(-forearm[0] / robot.z1))
        q[1] = j2 if rng.random() < 0.5 else wrap_degrees(180.0 - j2)
        q[0] = rng.uniform(-180.0, 180.0)
        lever = np.linalg.norm(wrist_centre(robot, q)[:3] - 0.0)
        # A J2 change of d radians moves the wrist centre by about d·lever across the axis.
        q[1] = wrap_degrees(q[1] + np.degrees(tiny_offsets(rng, 1, -6.0, 0.0)[0] / max(lever, 1.0)))
        kept.append(q)
        if len(kept) == n:
            break
    return np.array(kept)


def stretched_joints(robot, rng, n):
    """The arm stretched: J2 axis, J3 axis and wrist centre in one plane, the elbow straight.

    At J3 = 90 - J2 the forearm axis continues the upper arm; the wrist centre then sits y1·sin J4
    off that line within the arm plane, so J3 is turned back by atan(y1·sin J4 / x1) to line the
    wrist centre up with the upper arm, and then moved off by 1e-7 to 1 degree.
    """
    joints = random_joints(rng, n)
    for q in joints:
        q[2] = 90.0 - q[1]
        sideways = robot.y1 * np.sin(np.radians(q[3]))
        candidate = [q.copy(), q.copy()]
        candidate[0][2] -= np.degrees(np.arctan2(sideways, robot.x1))
        candidate[1][2] += np.degrees(np.arctan2(sideways, robot.x1))
        # Keep the sign that maximises the shoulder-to-wrist distance (the straight elbow).
        reach = [np.linalg.norm(wrist_centre(robot, c)) for c in candidate]
        q[2] = candidate[int(np.argmax(reach))][2] + tiny_offsets(rng, 1, -7.0, 0.0)[0]
    joints[:, 2] = wrap_degrees(joints[:, 2])
    return joints


def make_sets(seed, random_count, singular_count):
    rng = np.random.default_rng(seed)
    sets = []
    for model, robot in (("CRX-10iA", talvane.Crx.crx10ia()), ("CRX-5iA", talvane.Crx.crx5ia())):
        kinds = (
            ("random", random_joints(rng, random_count)),
            ("J5 near 0", wrist_singular_joints(rng, singular_count)),
            ("wrist centre near J1 axis", shoulder_singular_joints(robot, rng, singular_count)),
            ("arm stretched", stretched_joints(robot, rng, singular_count)),
        )
        for kind, joints in kinds:
            poses = np.array([robot.fk(q) for q in joints])
            sets.append(TargetSet(model, kind, robot, joints, poses))
    return sets
