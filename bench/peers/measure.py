"""Runs one solver over one target set and scores what it returns with talvane's forward kinematics."""

import time
from dataclasses import dataclass, field

import numpy as np

REACH_TOLERANCE = 1e-8  # largest element difference of the 4x4 flange pose, mm and rotation entries
SAME_SOLUTION = 1e-5  # radians, in every joint, up to whole turns


@dataclass
class Score:
    solver: str
    model: str
    kind: str
    targets: int = 0
    found: int = 0  # targets whose generating joint vector is among the solutions
    distinct_valid: int = 0  # summed over targets
    returned: int = 0
    reaching: int = 0
    failures: int = 0  # exceptions, panics, non-converged seeds
    times_us: list = field(default_factory=list)
    missed: list = field(default_factory=list)  # generating joint vectors not found
    valid: list = field(default_factory=list)  # per target, the distinct solutions reaching it

    def completeness(self):
        return self.found / self.targets if self.targets else float("nan")

    def mean_distinct(self):
        return self.distinct_valid / self.targets if self.targets else float("nan")

    def reaching_share(self):
        return self.reaching / self.returned if self.returned else float("nan")

    def median_us(self):
        return float(np.median(self.times_us)) if self.times_us else float("nan")

    def p90_us(self):
        return float(np.percentile(self.times_us, 90)) if self.times_us else float("nan")


def joint_distance_rad(a, b):
    """Largest per-joint circular distance in radians between rows of a and the vector b."""
    d = (np.asarray(a) - np.asarray(b) + 180.0) % 360.0 - 180.0
    return np.radians(np.abs(d)).max(axis=-1)


def distinct(rows):
    kept = []
    for row in rows:
        if all(joint_distance_rad(row, k) >= SAME_SOLUTION for k in kept):
            kept.append(row)
    return kept


def score_target(robot, pose, generator, solutions):
    """(found, distinct valid solutions, returned, reaching) for one target's returned solutions."""
    solutions = np.asarray(solutions, dtype=float).reshape(-1, 6)
    finite = solutions[np.all(np.isfinite(solutions), axis=1)]
    reaching = [q for q in finite if np.abs(robot.fk(q) - pose).max() <= REACH_TOLERANCE]
    found = bool(len(solutions)) and bool((joint_distance_rad(solutions, generator) < SAME_SOLUTION).any())
    return found, distinct(reaching), len(solutions), len(reaching)


def measure(solver, target_set, indices):
    score = Score(solver.name, target_set.model, target_set.kind)
    robot = target_set.robot
    for i in indices:
        pose = target_set.poses[i]
        start = time.perf_counter_ns()
        solutions, failures = solver.solve(pose)
        elapsed = time.perf_counter_ns() - start
        found, valid, returned, reaching = score_target(robot, pose, target_set.joints[i], solutions)
        score.targets += 1
        score.found += found
        score.distinct_valid += len(valid)
        score.valid.append(valid)
        score.returned += returned
        score.reaching += reaching
        score.failures += failures
        score.times_us.append(elapsed / 1e3)
        if not found:
            score.missed.append(target_set.joints[i])
    return score


def merge(scores, kind):
    """One score over several sets (same solver)."""
    total = Score(scores[0].solver, "both", kind)
    for s in scores:
        total.targets += s.targets
        total.found += s.found
        total.distinct_valid += s.distinct_valid
        total.returned += s.returned
        total.reaching += s.reaching
        total.failures += s.failures
        total.times_us += s.times_us
        total.missed += s.missed
        total.valid += s.valid
    return total
