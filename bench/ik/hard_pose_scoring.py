"""Whether ik's rows for fk(q) reach the target, and whether they cover q, for hard_poses.py.

A row covers q when it lies within 1e-5 rad of q in every joint (whole turns ignored), or when the
straight joint-space segment from q to it (wrapped differences) reaches the target all along: on a
continuous family that is straight in joint space (the forearm along the J1 axis: J1 and J4 turn
together), or in a numerically flat valley, a solver may return any point of it.

The bands are where one valid row is enough: the forearm point P (the point of the J4 axis nearest
to the wrist centre W, which fk_all gives as W + y1 · the y axis of the J5 frame) within 1e-6 · z1
of the shoulder or of the J1 axis. Only part of the axis band holds continuous families, though:
there the elbow is on the axis too (the J4 axis is the J1 axis). With P on the axis and the elbow
off it the solutions are isolated, so those q are also counted apart, "axis-isolated", to see
whether they are found even though the bands excuse them.
"""

import sys
from dataclasses import dataclass
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "peers"))

from measure import REACH_TOLERANCE, SAME_SOLUTION, joint_distance_rad
from targets import wrap_degrees

BAND = 1e-6  # times z1, mm
SEGMENT_POINTS = 65  # both ends included
OUTSIDE, AXIS_ISOLATED, IN_FAMILY = "outside", "axis-isolated", "in family"


def forearm_point(robot, joints):
    wrist = robot.fk_all(joints)[4]
    return wrist[:3, 3] + robot.y1 * wrist[:3, 1]


def placement(robot, joints):
    """OUTSIDE the bands, AXIS_ISOLATED (in the axis band, elbow off the axis) or IN_FAMILY."""
    frames = robot.fk_all(joints)
    p = frames[4][:3, 3] + robot.y1 * frames[4][:3, 1]
    elbow = frames[2][:3, 3]
    band = BAND * abs(robot.z1)
    if np.linalg.norm(p) <= band or (np.hypot(p[0], p[1]) <= band and np.hypot(elbow[0], elbow[1]) <= band):
        return IN_FAMILY
    return AXIS_ISOLATED if np.hypot(p[0], p[1]) <= band else OUTSIDE


def in_bands(robot, joints):
    return placement(robot, joints) != OUTSIDE


def reaches(robot, joints, target, tolerance=REACH_TOLERANCE):
    """Every element of the top three rows of fk within `tolerance` of the target's."""
    if not np.all(np.isfinite(joints)):
        return False
    return bool(np.abs(robot.fk(joints)[:3] - target[:3]).max() <= tolerance)


def segment_points(start, end):
    """The segment's points, both ends first: the far end is usually where a wrong row already fails."""
    step = wrap_degrees(np.asarray(end) - np.asarray(start))
    fractions = np.linspace(0.0, 1.0, SEGMENT_POINTS)
    order = np.concatenate(([SEGMENT_POINTS - 1, 0], np.arange(1, SEGMENT_POINTS - 1)))
    return (start + fractions[i] * step for i in order)


def joined_by_segment(robot, start, end, target, tolerance=REACH_TOLERANCE):
    return all(reaches(robot, point, target, tolerance) for point in segment_points(start, end))


def nearest_row(robot, rows, joints, target):
    """For the failure listings: the distance (rad) to the nearest row and the largest pose error
    (mm and rotation entries) on the segment to it; NaN without rows."""
    if len(rows) == 0:
        return float("nan"), float("nan")
    distance = joint_distance_rad(rows, joints)
    row = rows[int(np.argmin(distance))]
    worst = max(
        float(np.abs(robot.fk(point)[:3] - target[:3]).max()) for point in segment_points(joints, row)
    )
    return float(distance.min()), worst


def covered(robot, rows, joints, target, segment_tolerance=REACH_TOLERANCE):
    """Whether one of `rows` (each reaching the target) covers `joints`."""
    if len(rows) == 0:
        return False
    distance = joint_distance_rad(rows, joints)
    if (distance <= SAME_SOLUTION).any():
        return True
    return any(
        joined_by_segment(robot, joints, rows[i], target, segment_tolerance) for i in np.argsort(distance)
    )


@dataclass
class Outcome:
    """What ik returned for fk(q), judged."""

    rows: int
    valid: np.ndarray  # the rows reaching the target, (k, 6)
    placement: str  # of q: OUTSIDE the bands, or in them (AXIS_ISOLATED, IN_FAMILY): any valid row will do
    covered: bool  # some valid row covers q

    @property
    def in_bands(self):
        return self.placement != OUTSIDE

    @property
    def axis_isolated(self):
        return self.placement == AXIS_ISOLATED

    @property
    def axis_isolated_uncovered(self):
        """Excused by the bands, yet an isolated solution that was not found."""
        return self.axis_isolated and not self.covered

    @property
    def empty(self):
        return self.rows == 0

    @property
    def invalid_rows(self):
        return self.rows - len(self.valid)

    @property
    def uncovered(self):
        """A failure that matters: q isolated (outside the bands) and not found."""
        return not self.in_bands and not self.covered

    @property
    def band_unserved(self):
        """A failure inside the bands: no valid row at all."""
        return self.in_bands and len(self.valid) == 0


def judge(robot, joints, target, rows, segment_tolerance=REACH_TOLERANCE):
    rows = np.asarray(rows, dtype=float).reshape(-1, 6)
    valid = np.array([row for row in rows if reaches(robot, row, target)]).reshape(-1, 6)
    is_covered = covered(robot, valid, joints, target, segment_tolerance)
    return Outcome(len(rows), valid, placement(robot, joints), is_covered)


def peer_only(robot, peer_rows, valid, target, segment_tolerance=REACH_TOLERANCE):
    """The peer's rows that reach the target and that none of talvane's valid rows covers, each with
    its placement."""
    found = []
    for row in np.asarray(peer_rows, dtype=float).reshape(-1, 6):
        if reaches(robot, row, target) and not covered(robot, valid, row, target, segment_tolerance):
            found.append((row, placement(robot, row)))
    return found


def forearm_offsets(robot, joints):
    """P's distance from the shoulder and from the J1 axis, mm, for the failure listings."""
    p = forearm_point(robot, joints)
    return float(np.linalg.norm(p)), float(np.hypot(p[0], p[1]))


def check_forearm_point(robot, rng, count=20):
    """P read two ways must agree: W + y1 · (J5 frame y) and the elbow + x1 · (J4 frame x), the J4
    axis. Raises if they differ by more than 1e-9 mm, which would mean the bands sit elsewhere."""
    for joints in rng.uniform(-360.0, 360.0, (count, 6)):
        frames = robot.fk_all(joints)
        along_j4 = frames[2][:3, 3] + robot.x1 * frames[3][:3, 0]
        gap = float(np.abs(forearm_point(robot, joints) - along_j4).max())
        if not gap <= 1e-9:
            raise AssertionError(f"the forearm point is off the J4 axis by {gap:.3e} mm at {list(joints)}")
