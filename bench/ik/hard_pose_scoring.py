"""Whether ik's rows for fk(q) reach the target, and whether they cover q, for hard_poses.py.

A row covers q when it lies within 1e-5 rad of q in every joint (whole turns ignored), or when the
straight joint-space segment from q to it (wrapped differences) reaches the target all along: on a
continuous family that is straight in joint space (the forearm along the J1 axis: J1 and J4 turn
together), or in a numerically flat valley, a solver may return any point of it.

A flat valley need not be straight, though. Next to J5 a hair from 0 or ±180 with the arm stretched,
or with the elbow and P a fraction of a millimetre from the J1 axis, the set of joint vectors
reaching the target to 1e-8 is a thin curved tube, and two points of it can be a degree apart with
their chord leaving it. Such points are one solution, not two. `joined_through_valley` checks that:
it pulls points of the chord back into the target with a few minimum-norm Gauss-Newton steps (fk and
central differences only, so the check does not lean on the solver it judges) and requires the
polyline through them to reach the target at its vertices and inside every edge. The report gives
both counts: by the straight rule alone, and with valleys joined.

A peer's row that reaches the target only to 1e-8 stands for the exact solution it converges to.
Next to a family (P a few band widths from the shoulder or the J1 axis) that exact solution can be a
member of the family, in the band, although the row itself lies outside it; `exact_solution` finds
it by Gauss-Newton from the row, and the row is then judged by where its exact solution lies.

Next to a family the joint vectors reaching the target to 1e-8 form a thin tube around it, and the
tube reaches out past the bands: where the target is a hair from a family's (P a fraction of a band
width from the shoulder, say), a peer may return a point of the tube outside the bands that no
polish moves into them, split off from talvane's rows where the tube narrows (at the wrist
straight, say). `joined_to_family` follows the tube from such a row, along the directions in which
the pose barely changes, each vertex pulled back into the target and every edge checked as in the
valleys above, and asks whether it enters a family's band before it ends. Such a row is a member of
the family in all but the tolerance, and the report counts it apart.

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
VALLEY_VERTICES = 129  # of the pulled polyline at least, both ends included
# A longer chord gets more vertices, at most this far apart (rad, largest joint), up to a bound.
VALLEY_SPACING = 1e-3
MAX_VALLEY_VERTICES = 1025
VALLEY_EDGE_CHECKS = (0.25, 0.5, 0.75)  # where each edge of it must reach the target too
VALLEY_SPLITS = 6  # an edge that fails is halved at most this many times
PULL_STEPS = 4
PULL_STEP_DEGREES = 1e-6  # central differences of fk
# Singular values below this share of the largest are left out of a pull, so that it moves across
# the valley, not along it.
PULL_RCOND = 1e-6
# The polish to the exact solution keeps every singular value above rounding, so it may slide along
# a valley onto the solution the row approximates; it goes on to rounding, and has converged if it
# ends below EXACT_ERROR.
EXACT_STEPS = 80
ROUNDING_ERROR = 2e-13
EXACT_RCOND = 1e-10
EXACT_ERROR = 1e-11
# Following a tube: singular values of the error Jacobian at most this share of the largest give its
# directions; steps (degrees, along a unit direction) start at the first length, grow by the factor
# after each accepted one up to the longest, and halve after each refused one down to the shortest;
# a walk ends after so many accepted steps.
TUBE_FLAT_SHARE = 1e-2
TUBE_FIRST_STEP = 1e-3
TUBE_LONGEST_STEP = 1.0
TUBE_SHORTEST_STEP = 1e-6
TUBE_GROWTH = 1.5
TUBE_STEPS = 1000
OUTSIDE, AXIS_ISOLATED, IN_FAMILY = "outside", "axis-isolated", "in family"
# A row stands for q's P-at-the-shoulder family when its J6 (fixed along the family, and nearly so
# along the tube around it) is within this many degrees of q's, far below the tens of degrees that
# part the target's other solutions, and its P lies within so many band widths of the shoulder.
FAMILY_J6_DEGREES = 1.0
FAMILY_TUBE_BANDS = 1e4


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


def at_shoulder(robot, joints, bands=1.0):
    """Whether P lies within `bands` band widths of the shoulder."""
    return bool(np.linalg.norm(forearm_point(robot, joints)) <= bands * BAND * abs(robot.z1))


def shoulder_family_listed(robot, joints, rows):
    """For `joints` with P at the shoulder: whether one of `rows` (each reaching the target) is a
    member of its family, or a point of the tube around it, rather than another solution."""
    return any(
        abs(wrap_degrees(row[5] - joints[5])) <= FAMILY_J6_DEGREES
        and at_shoulder(robot, row, FAMILY_TUBE_BANDS)
        for row in rows
    )


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


def pose_error(robot, joints, target):
    return (robot.fk(joints)[:3] - target[:3]).ravel()


def error_jacobian(robot, joints):
    """d(top three rows of fk)/d(joints in degrees), by central differences."""
    columns = []
    for k in range(6):
        step = np.zeros(6)
        step[k] = PULL_STEP_DEGREES
        columns.append((robot.fk(joints + step)[:3] - robot.fk(joints - step)[:3]).ravel())
    return np.array(columns).T / (2 * PULL_STEP_DEGREES)


def gauss_newton(robot, joints, target, steps, rcond, good_enough):
    """Up to `steps` minimum-norm Gauss-Newton steps from `joints`, singular values below `rcond`
    times the largest left out; stops once the largest error element is at most `good_enough` or
    not finite. Returns the joints and that error."""
    joints = np.array(joints, dtype=float)
    error = pose_error(robot, joints, target)
    for _ in range(steps):
        if not np.all(np.isfinite(error)) or np.abs(error).max() <= good_enough:
            break
        joints = joints + np.linalg.lstsq(error_jacobian(robot, joints), -error, rcond=rcond)[0]
        error = pose_error(robot, joints, target)
    return joints, np.abs(error).max()


def pull_into_target(robot, joints, target, tolerance=REACH_TOLERANCE):
    """`joints` moved towards the target by at most PULL_STEPS steps, across the valley only, until it
    reaches the target to a hundredth of `tolerance`."""
    return gauss_newton(robot, joints, target, PULL_STEPS, PULL_RCOND, tolerance / 100)[0]


def exact_solution(robot, joints, target):
    """The exact solution that `joints` approximates: up to EXACT_STEPS steps, until the error is down
    to rounding (ROUNDING_ERROR); None unless it ends below EXACT_ERROR."""
    joints, error = gauss_newton(robot, joints, target, EXACT_STEPS, EXACT_RCOND, ROUNDING_ERROR)
    return joints if error <= EXACT_ERROR else None


def joined_through_valley(robot, start, end, target, tolerance=REACH_TOLERANCE, spacing=VALLEY_SPACING):
    """Whether a joint-space polyline from `start` to `end` reaches the target all along: its inner
    vertices are the chord's points pulled into the target, at least VALLEY_VERTICES of them and at
    most `spacing` apart (up to MAX_VALLEY_VERTICES; `spacing` None: VALLEY_VERTICES), and every
    vertex and the points at VALLEY_EDGE_CHECKS of every edge must reach it. An edge that fails is
    split at its pulled midpoint, down to VALLEY_SPLITS levels, so a valley's bends get the vertices
    they need."""
    start = np.asarray(start, dtype=float)
    chord = wrap_degrees(np.asarray(end, dtype=float) - start)
    count = VALLEY_VERTICES
    if spacing is not None:
        length = float(np.abs(np.radians(chord)).max())
        count = int(np.clip(np.ceil(length / spacing) + 1, VALLEY_VERTICES, MAX_VALLEY_VERTICES))
    previous = start
    for fraction in np.linspace(0.0, 1.0, count)[1:]:
        vertex = (
            start + chord if fraction == 1.0 else pull_into_target(robot, start + fraction * chord, target)
        )
        if not (
            reaches(robot, vertex, target, tolerance)
            and edge_in_valley(robot, previous, vertex, target, tolerance)
        ):
            return False
        previous = vertex
    return True


def edge_in_valley(robot, a, b, target, tolerance, splits=None):
    splits = VALLEY_SPLITS if splits is None else splits
    edge = b - a
    if all(reaches(robot, a + f * edge, target, tolerance) for f in VALLEY_EDGE_CHECKS):
        return True
    if splits == 0:
        return False
    middle = pull_into_target(robot, a + 0.5 * edge, target)
    return (
        reaches(robot, middle, target, tolerance)
        and edge_in_valley(robot, a, middle, target, tolerance, splits - 1)
        and edge_in_valley(robot, middle, b, target, tolerance, splits - 1)
    )


def tube_directions(robot, joints):
    """The unit joint-space directions (degrees) in which the pose barely changes at `joints`,
    flattest first."""
    _, sigma, vt = np.linalg.svd(error_jacobian(robot, joints))
    return vt[sigma <= TUBE_FLAT_SHARE * sigma[0]][::-1]


def follow_tube(robot, start, heading, target, tolerance=REACH_TOLERANCE):
    """Whether a walk from `start`, first along `heading`, then each step along the tube direction
    nearest the last step, enters a family's band (IN_FAMILY) before the tube ends. Each vertex is the
    step's end pulled back into the target; it and the points at VALLEY_EDGE_CHECKS of the edge to it
    must reach the target, or the step is halved."""
    joints = np.asarray(start, dtype=float)
    heading = np.asarray(heading, dtype=float)
    step = TUBE_FIRST_STEP
    for _ in range(TUBE_STEPS):
        flat = tube_directions(robot, joints)
        if len(flat) == 0:
            return False
        direction = flat[np.argmax(np.abs(flat @ heading))]
        direction = direction if direction @ heading >= 0.0 else -direction
        while True:
            vertex = pull_into_target(robot, joints + step * direction, target, tolerance)
            edge = vertex - joints
            if (
                np.linalg.norm(edge) > 0.0
                and reaches(robot, vertex, target, tolerance)
                and edge_in_valley(robot, joints, vertex, target, tolerance, splits=0)
            ):
                break
            step /= 2.0
            if step < TUBE_SHORTEST_STEP:
                return False
        heading = edge / np.linalg.norm(edge)
        joints = vertex
        step = min(step * TUBE_GROWTH, TUBE_LONGEST_STEP)
        if placement(robot, joints) == IN_FAMILY:
            return True
    return False


def joined_to_family(robot, joints, target, tolerance=REACH_TOLERANCE):
    """Whether `joints`, reaching the target, lies in the tube of a family: a walk through points
    reaching the target to `tolerance` leads from it into a family's band, along some tube direction
    either way."""
    start = pull_into_target(robot, joints, target, tolerance)
    if not joined_by_segment(robot, joints, start, target, tolerance):
        return False
    if placement(robot, start) == IN_FAMILY:
        return True
    return any(
        follow_tube(robot, start, sign * direction, target, tolerance)
        for direction in tube_directions(robot, start)
        for sign in (1.0, -1.0)
    )


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


def covered_through_valley(
    robot, rows, joints, target, segment_tolerance=REACH_TOLERANCE, spacing=VALLEY_SPACING
):
    """Whether one of `rows` is joined to `joints` by a curved path through the target's valley;
    only asked where `covered` said no. The nearest rows are tried first."""
    distance = joint_distance_rad(rows, joints)
    return any(
        joined_through_valley(robot, joints, rows[i], target, segment_tolerance, spacing)
        for i in np.argsort(distance)
    )


@dataclass
class Outcome:
    """What ik returned for fk(q), judged."""

    rows: int
    valid: np.ndarray  # the rows reaching the target, (k, 6)
    placement: str  # of q: OUTSIDE the bands, or in them (AXIS_ISOLATED, IN_FAMILY): any valid row will do
    covered: bool  # some valid row covers q
    through_valley: bool = False  # not covered, but a valid row is joined to q through a curved valley
    # P at the shoulder, valid rows listed, yet none of q's family (shoulder_family_listed)
    shoulder_family_missing: bool = False

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
    def uncovered_through_valley(self):
        """Uncovered by the straight rule, yet joined to a row through a curved valley."""
        return self.uncovered and self.through_valley

    @property
    def band_unserved(self):
        """A failure inside the bands: no valid row at all."""
        return self.in_bands and len(self.valid) == 0


def judge(robot, joints, target, rows, segment_tolerance=REACH_TOLERANCE):
    rows = np.asarray(rows, dtype=float).reshape(-1, 6)
    valid = np.array([row for row in rows if reaches(robot, row, target)]).reshape(-1, 6)
    is_covered = covered(robot, valid, joints, target, segment_tolerance)
    where = placement(robot, joints)
    valley = (
        where == OUTSIDE
        and not is_covered
        and covered_through_valley(robot, valid, joints, target, segment_tolerance)
    )
    family_missing = (
        len(valid) > 0
        and not is_covered
        and at_shoulder(robot, joints)
        and not shoulder_family_listed(robot, joints, valid)
    )
    return Outcome(len(rows), valid, where, is_covered, valley, family_missing)


@dataclass
class PeerRow:
    """A valid row of the peer's that no valid row of talvane's covers by the straight rule."""

    joints: np.ndarray
    placement: str  # of the row, or of its exact solution where that lies in the bands
    # How it is one of talvane's solutions after all: None (it is not), VALLEY (joined to a row
    # through a curved valley), FAMILY (its exact solution is a member of a family in the bands),
    # POLISHED (its exact solution is covered or joined through a valley) or TUBE (outside the
    # bands, in the tube of near-solutions around a family: joined_to_family).
    joined: str | None


VALLEY, FAMILY, POLISHED, TUBE = "valley", "family", "polished", "tube"


def peer_only(robot, peer_rows, valid, target, segment_tolerance=REACH_TOLERANCE):
    """The peer's rows that reach the target and that none of talvane's valid rows covers by the
    straight rule, each with how, if at all, it is one of talvane's solutions after all."""
    found = []
    for row in np.asarray(peer_rows, dtype=float).reshape(-1, 6):
        if not reaches(robot, row, target) or covered(robot, valid, row, target, segment_tolerance):
            continue
        where, joined = placement(robot, row), None
        # In the bands any valid row will do and these rows are only counted: the fixed polyline,
        # far cheaper on the long chords of the families there, judges them.
        spacing = VALLEY_SPACING if where == OUTSIDE else None
        if len(valid) and covered_through_valley(robot, valid, row, target, segment_tolerance, spacing):
            joined = VALLEY
        else:
            exact = exact_solution(robot, row, target)
            if exact is not None and placement(robot, exact) != OUTSIDE:
                where, joined = placement(robot, exact), FAMILY
            elif (
                exact is not None
                and len(valid)
                and (
                    covered(robot, valid, exact, target, segment_tolerance)
                    or covered_through_valley(robot, valid, exact, target, segment_tolerance, spacing)
                )
            ):
                joined = POLISHED
            elif where == OUTSIDE and joined_to_family(robot, row, target, segment_tolerance):
                joined = TUBE
        found.append(PeerRow(row, where, joined))
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
