"""Joint vectors at the arm's singular and special poses, in controller degrees, for hard_poses.py.

Each family is a function (rng, n, robot) -> (n, 6), or (0, 6) where the robot has no such pose;
only the last one needs the robot. The "hairs" that move a vector off an exact special
value are signed and log-uniform in size from 1e-9 to 1e-1 degrees, and a tenth of them are exactly
zero, so both the exact singularity and its ill-conditioned neighbourhood are sampled.
"""

import itertools
import sys
from pathlib import Path

import numpy as np
import talvane

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "peers"))

from targets import random_joints, tiny_offsets

ROUND_VALUES = np.array([-180.0, -90.0, 0.0, 90.0, 180.0])
HAIR_EXPONENTS = (-9.0, -1.0)  # log10 of the smallest and largest hair, degrees
EXACT_SHARE = 0.1  # share of hairs that are exactly zero
ROUND_SHARE = 0.75  # share of joints set to a round value in the round family
NUDGED_SHARE = 0.35  # share of joints of the round family moved by a hair

J2, J3, J5 = 1, 2, 4
# A wrist centre this near the J1 axis (share of z1) and a flange z axis this near it count as on it.
COAXIAL_CENTRE_SHARE = 1e-12
COAXIAL_AXIS = 1e-12


def hairs(rng, n):
    offsets = tiny_offsets(rng, n, *HAIR_EXPONENTS)
    offsets[rng.random(n) < EXACT_SHARE] = 0.0
    return offsets


def random_family(rng, n, robot=None):
    return random_joints(rng, n)


def round_family(rng, n, robot=None):
    """Each joint round (-180, -90, 0, 90, 180) or random, and a random subset nudged by a hair."""
    joints = random_joints(rng, n)
    is_round = rng.random((n, 6)) < ROUND_SHARE
    joints[is_round] = rng.choice(ROUND_VALUES, int(is_round.sum()))
    nudged = rng.random((n, 6)) < NUDGED_SHARE
    joints[nudged] += hairs(rng, int(nudged.sum()))
    return joints


def with_forearm_angle(joints, rng, angle):
    """J2 + J3, the kinematic elbow angle (90 stretched, -90 folded back), set to `angle` plus a hair."""
    joints[:, J3] = angle + hairs(rng, len(joints)) - joints[:, J2]
    return joints


def with_wrist_singular(joints, rng):
    """J5 at 0 or ±180 plus a hair: the J4 and J6 axes (anti)parallel."""
    joints[:, J5] = rng.choice([0.0, 180.0, -180.0], len(joints)) + hairs(rng, len(joints))
    return joints


def folded_family(rng, n, robot=None):
    return with_forearm_angle(random_joints(rng, n), rng, -90.0)


def stretched_family(rng, n, robot=None):
    return with_forearm_angle(random_joints(rng, n), rng, 90.0)


def wrist_singular_family(rng, n, robot=None):
    return with_wrist_singular(random_joints(rng, n), rng)


def stretched_wrist_singular_family(rng, n, robot=None):
    return with_wrist_singular(stretched_family(rng, n), rng)


def along_j1_axis_family(rng, n, robot=None):
    """Upper arm vertical (J2 at 0 or ±180) and the forearm vertical too (J3 at ±90 plus a hair)."""
    joints = random_joints(rng, n)
    joints[:, J2] = rng.choice([0.0, 180.0, -180.0], n)
    joints[:, J3] = rng.choice([90.0, -90.0], n) + hairs(rng, n)
    return joints


def coaxial_bases(robot):
    """(J2, J3, J4, J5) putting the J5 origin on the J1 axis with the flange's z axis along it: the
    upper arm y1 from the axis (J2 = ±asin(y1/z1) or 180° from it), the forearm vertical (J3 = ±90),
    J4 at ±90 and J5 at 0 or 180, in the combinations where fk confirms it (none with y1 > z1)."""
    ratio = abs(robot.y1) / abs(robot.z1) if robot.z1 != 0.0 else np.inf
    if not ratio <= 1.0:
        return []
    tilt = float(np.degrees(np.arcsin(ratio)))
    bases = []
    for j2, j3, j4, j5 in itertools.product(
        [tilt, -tilt, 180.0 - tilt, tilt - 180.0], [90.0, -90.0], [90.0, -90.0], [0.0, 180.0]
    ):
        pose = robot.fk([0.0, j2, j3, j4, j5, 0.0])
        centre = pose[:3, 3] - robot.x2 * pose[:3, 2]
        if (
            np.hypot(*centre[:2]) <= COAXIAL_CENTRE_SHARE * abs(robot.z1)
            and np.hypot(*pose[:2, 2]) <= COAXIAL_AXIS
        ):
            bases.append((j2, j3, j4, j5))
    return bases


def coaxial_family(rng, n, robot):
    """The wrist circle centred on the J1 axis in a horizontal plane, where the whole arm turns about
    the axis with J6 turning back: J1 and J6 random, J2 to J5 from coaxial_bases, each of them
    nudged by a hair with the round family's share. (0, 6) where the robot has no such pose."""
    bases = np.array(coaxial_bases(robot)).reshape(-1, 4)
    if len(bases) == 0:
        return np.empty((0, 6))
    joints = random_joints(rng, n)
    joints[:, 1:5] = bases[rng.integers(0, len(bases), n)]
    nudged = np.zeros((n, 6), dtype=bool)
    nudged[:, 1:5] = rng.random((n, 4)) < NUDGED_SHARE
    joints[nudged] += hairs(rng, int(nudged.sum()))
    return joints


# In table order; the random family gives each model's reference median time.
FAMILIES = {
    "random": random_family,
    "round": round_family,
    "folded": folded_family,
    "stretched": stretched_family,
    "wrist singular": wrist_singular_family,
    "stretched + wrist": stretched_wrist_singular_family,
    "along J1 axis": along_j1_axis_family,
    "wrist centre on J1 axis": coaxial_family,
}

CATALOGUED = ("crx3ia", "crx5ia", "crx10ia", "crx10ial", "crx20ial", "crx30ia")
PARAMS_ROBOTS = 3  # random from_params robots besides the catalogued ones
PARAMS_SEED = 20261208
# One more from_params arm has x1 = z1·(1 + this): upper arm and forearm a few micrometres apart, as
# measured dimensions may leave them. Folded, its P passes within a few band widths of the shoulder,
# on a sphere far smaller than any catalogued model's.
NEAR_FOLD_SHARE = 3e-6


def params_robots():
    """(name, robot) for a few random CRX-like arms: upper arm and forearm 250 to 1000 mm, offsets 80
    to 250 mm; the last with its forearm NEAR_FOLD_SHARE longer than its upper arm."""
    rng = np.random.default_rng(PARAMS_SEED)
    robots = []
    for k in range(1, PARAMS_ROBOTS + 1):
        z1, x1 = rng.uniform(250.0, 1000.0, 2)
        x2, y1 = rng.uniform(80.0, 250.0, 2)
        robots.append((f"params{k}", talvane.Crx.from_params(z1, x1, x2, y1)))
    z1 = rng.uniform(250.0, 1000.0)
    x2, y1 = rng.uniform(80.0, 250.0, 2)
    x1 = z1 * (1.0 + NEAR_FOLD_SHARE)
    robots.append((f"params{PARAMS_ROBOTS + 1}", talvane.Crx.from_params(z1, x1, x2, y1)))
    return robots


def models():
    """(name, robot) in table order: the catalogued models, then the from_params arms."""
    return [(name, getattr(talvane.Crx, name)()) for name in CATALOGUED] + params_robots()


# Arms unlike the catalogued ones, run with --other-arms: mirror images (negative dimensions) of two
# models, arms without lateral offset (y1 = 0) or flange offset (x2 = 0), and arms whose lateral
# offset is longer than the upper arm. Their joint vectors come from the same families; a negative
# dimension only turns joints by half turns.
OTHER_ARMS = {
    "mirrored10": (540.0, 540.0, 160.0, -150.0),  # the CRX-10iA with its wrist offset to the other side
    "negated5": (-410.0, -430.0, -145.0, -130.0),  # every dimension of the CRX-5iA negated
    "no_offset": (540.0, 540.0, 160.0, 0.0),
    "no_offset_unequal": (540.0, 480.0, 160.0, 0.0),
    "no_flange_offset": (540.0, 540.0, 0.0, 150.0),
    "wrist_centre": (540.0, 540.0, 0.0, 0.0),  # y1 = x2 = 0: the flange at a wrist without offsets
    "long_offset": (540.0, 540.0, 160.0, 1500.0),
    "long_offset_unequal": (540.0, 480.0, 160.0, 1080.0),
}


def other_arms():
    """(name, robot) for OTHER_ARMS, in its order."""
    return [(name, talvane.Crx.from_params(*dims)) for name, dims in OTHER_ARMS.items()]
