"""ssik's prebuilt FANUC CRX solvers in talvane's conventions: millimetres, talvane's base and
flange, controller degrees.

ssik's chains come from FANUC's robot descriptions. They differ from talvane's in four constant
ways: the description's base_link sits below talvane's base (the J2 origin) by the J1 column; its
lengths are metres; its third joint is the kinematic angle J2 + J3, in radians like the others;
and its tool0 is talvane's flange turned by a constant rotation. The rotation is read off the two
forward kinematics, and every chain is checked against talvane's `fk` before it is used.

    python bench/peers/ssik_peer.py     # the agreement per model and the tool rotations

Joint limits: `respect_limits=False` gives the raw geometric set, unwrapped, which is what the
completeness checks want. ssik's `respect_limits=True` (its default) drops solutions outside the
description's limits and lists every whole-turn copy inside them; `"wrap"` wraps into the ranges
and drops nothing. Those limits are on ssik's joints, so the third one limits J2 + J3, not the
controller's J3.
"""

import functools
import importlib
from dataclasses import dataclass

import crx_chain
import numpy as np
import talvane
from peers import FK_AGREEMENT

# How far ssik's base_link sits below talvane's base, mm.
BASE_DROP_MM = {
    "crx3ia": 161.0,
    "crx5ia": 185.0,
    "crx10ia": 245.0,
    "crx10ial": 245.0,
    "crx20ial": 245.0,
    "crx30ia": 370.0,
}
MODELS = tuple(BASE_DROP_MM)
CHECK_SEED = 14
CHECK_JOINTS = 500


@dataclass(frozen=True)
class Agreement:
    """Largest differences between talvane's and ssik's flange poses over random joints."""

    position_mm: float
    rotation: float  # rotation-matrix entries
    samples: int


@dataclass(frozen=True)
class SsikChain:
    module: object  # ssik.prebuilt.fanuc.<model>_ik
    robot: talvane.Crx
    base_drop_mm: float
    tool_rotation: np.ndarray  # tool0 in talvane's flange frame
    agreement: Agreement

    def to_ssik(self, pose):
        """talvane's flange pose (mm, talvane's base) to ssik's tool0 pose (m, base_link)."""
        pose = np.asarray(pose, dtype=float)
        out = np.eye(4)
        out[:3, :3] = pose[:3, :3] @ self.tool_rotation
        out[:3, 3] = (pose[:3, 3] + [0.0, 0.0, self.base_drop_mm]) / 1000.0
        return out

    def from_ssik(self, pose):
        pose = np.asarray(pose, dtype=float)
        out = np.eye(4)
        out[:3, :3] = pose[:3, :3] @ self.tool_rotation.T
        out[:3, 3] = pose[:3, 3] * 1000.0 - [0.0, 0.0, self.base_drop_mm]
        return out

    def fk(self, joints_deg):
        """ssik's forward kinematics in talvane's frames, for controller degrees."""
        return self.from_ssik(self.module.fk(crx_chain.kinematic_radians(joints_deg)))


def read_tool_rotation(module, robot, base_drop_mm):
    """The constant rotation from talvane's flange to ssik's tool0, read at the zero pose and
    snapped to the exact signed permutation it is (checked against random joints afterwards)."""
    ours = robot.fk(np.zeros(6))[:3, :3]
    theirs = module.fk(np.zeros(6))[:3, :3]
    measured = ours.T @ theirs
    snapped = np.round(measured)
    if np.abs(measured - snapped).max() > 1e-12 or np.abs(snapped @ snapped.T - np.eye(3)).max() > 0:
        raise AssertionError(f"ssik's tool frame is not a signed permutation of the flange's:\n{measured}")
    return snapped


def measure_agreement(chain_fk, robot, rng, count):
    joints = rng.uniform(-360.0, 360.0, (count, 6))
    position = rotation = 0.0
    for q in joints:
        difference = np.abs(chain_fk(q) - robot.fk(q))
        position = max(position, float(difference[:3, 3].max()))
        rotation = max(rotation, float(difference[:3, :3].max()))
    return Agreement(position, rotation, count)


def model_of(robot):
    """The first model name whose dimensions are the robot's ("crx10ia"); ValueError if none."""
    dimensions = (robot.z1, robot.x1, robot.x2, robot.y1)
    for model in MODELS:
        other = getattr(talvane.Crx, model)()
        if (other.z1, other.x1, other.x2, other.y1) == dimensions:
            return model
    raise ValueError(f"ssik has no chain with the dimensions {dimensions}")


@functools.cache
def chain(model):
    """ssik's solver for a talvane model name ("crx10ia"), checked against talvane's fk."""
    if model not in BASE_DROP_MM:
        raise ValueError(f"ssik has no chain for {model!r}; models: {', '.join(MODELS)}")
    module = importlib.import_module(f"ssik.prebuilt.fanuc.{model}_ik")
    robot = getattr(talvane.Crx, model)()
    drop = BASE_DROP_MM[model]
    unchecked = SsikChain(module, robot, drop, read_tool_rotation(module, robot, drop), Agreement(0, 0, 0))
    agreement = measure_agreement(unchecked.fk, robot, np.random.default_rng(CHECK_SEED), CHECK_JOINTS)
    if not max(agreement.position_mm, agreement.rotation) <= FK_AGREEMENT:
        raise AssertionError(f"ssik's {model} differs from talvane's fk: {agreement}")
    return SsikChain(module, robot, drop, unchecked.tool_rotation, agreement)


def ssik_solutions(model, target, respect_limits=False):
    """ssik's solutions for talvane's flange pose `target` (4x4, mm), (k, 6) controller degrees.

    Joint limits are off unless `respect_limits` is given (True or "wrap", passed to ssik's solve).
    """
    c = chain(model)
    solutions = c.module.solve(c.to_ssik(target), respect_limits=respect_limits)
    radians = np.array([s.q for s in solutions], dtype=float).reshape(-1, 6)
    return crx_chain.controller_degrees(radians)


def main():
    print(
        "| model | base drop (mm) | tool0 in the flange frame | max position diff (mm) | max rotation diff | joints |"
    )
    print("|---|---:|---|---:|---:|---:|")
    for model in MODELS:
        c = chain(model)
        rotation = (
            "identity"
            if np.array_equal(c.tool_rotation, np.eye(3))
            else str(c.tool_rotation.astype(int).tolist())
        )
        a = c.agreement
        print(
            f"| {model} | {c.base_drop_mm:g} | {rotation} | {a.position_mm:.2e} | {a.rotation:.2e} | {a.samples} |"
        )


if __name__ == "__main__":
    main()
