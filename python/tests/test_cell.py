"""The FANUC cell layer: frames, limits and whole turns, the closest configuration, paths, pickling."""

import copy
import itertools
import pickle

import numpy as np
import pytest
import talvane
from talvane import Cell, Crx, pose_from_xyzwpr

from support import ELBOW, GENERIC_JOINTS, LOWER, TOOL, UPPER, USER_FRAME, AsNumpy


@pytest.fixture
def limited(crx10ia):
    return Cell(crx10ia, tool=TOOL, user_frame=USER_FRAME, lower=LOWER, upper=UPPER, j2_plus_j3=ELBOW)


def flange_target(tcp, tool=TOOL, user_frame=USER_FRAME):
    return user_frame @ tcp @ np.linalg.inv(tool)


def within(joints, lower=LOWER, upper=UPPER, elbow=ELBOW):
    joints = np.atleast_2d(joints)
    inside = np.all((lower <= joints) & (joints <= upper), axis=1)
    if elbow is not None:
        inside &= (elbow[0] <= joints[:, 1] + joints[:, 2]) & (joints[:, 1] + joints[:, 2] <= elbow[1])
    return inside


def brute_force_copies(rows, **limits):
    """Every J + 360 k with k in -3..3 per joint that lies within the limits, row by row, then in
    ascending joint order."""
    turns = 360.0 * np.array(list(itertools.product(range(-3, 4), repeat=6)))
    found = []
    for row in rows:
        copies = row + turns
        copies = copies[within(copies, **limits)]
        found.extend(copies[np.lexsort(copies.T[::-1])])
    return np.array(found).reshape(-1, 6)


def test_properties_and_defaults(crx10ia):
    cell = Cell(crx10ia)
    assert cell.robot is crx10ia
    np.testing.assert_array_equal(cell.tool, np.eye(4))
    np.testing.assert_array_equal(cell.user_frame, np.eye(4))
    assert cell.lower is None and cell.upper is None and cell.j2_plus_j3 is None

    tool = TOOL.copy()
    cell = Cell(crx10ia, tool=tool, lower=LOWER.tolist(), upper=tuple(UPPER), j2_plus_j3=[-71, 251])
    tool[0, 3] = 1e6  # the cell keeps its own copy
    np.testing.assert_array_equal(cell.tool, TOOL)
    np.testing.assert_array_equal(cell.lower, LOWER)
    assert cell.j2_plus_j3 == ELBOW
    cell.lower[0] = 0  # every read is a fresh array
    assert cell.lower[0] == LOWER[0]
    for name in ("robot", "tool", "user_frame", "lower", "upper", "j2_plus_j3"):
        with pytest.raises(AttributeError):
            setattr(cell, name, None)


def test_frames_accept_what_targets_accept(crx10ia):
    expected = Cell(crx10ia, tool=TOOL, user_frame=USER_FRAME).fk(GENERIC_JOINTS)
    for tool, user_frame in [
        (AsNumpy(TOOL), USER_FRAME.tolist()),
        (TOOL.astype(np.longdouble), np.asfortranarray(USER_FRAME)),
    ]:
        cell = Cell(crx10ia, tool=tool, user_frame=user_frame)
        np.testing.assert_array_equal(cell.tool, TOOL)
        np.testing.assert_array_equal(cell.fk(GENERIC_JOINTS), expected)


def test_fk_is_the_frame_product(crx10ia, limited, rng):
    for joints in rng.uniform(-180, 180, (20, 6)):
        expected = np.linalg.inv(USER_FRAME) @ crx10ia.fk(joints) @ TOOL
        np.testing.assert_allclose(limited.fk(joints), expected, rtol=0, atol=1e-9)
    # Without frames the flange pose itself, bit for bit.
    np.testing.assert_array_equal(Cell(crx10ia).fk(GENERIC_JOINTS), crx10ia.fk(GENERIC_JOINTS))


def test_without_limits_ik_is_the_robots_ik(crx10ia, rng):
    cell = Cell(crx10ia)
    for joints in [GENERIC_JOINTS, [0, 0, 0, 0, 0, 0], *rng.uniform(-180, 180, (10, 6))]:
        target = crx10ia.fk(joints)
        assert cell.ik(target).tobytes() == crx10ia.ik(target).tobytes()
    framed = Cell(crx10ia, tool=TOOL, user_frame=USER_FRAME)
    tcp = framed.fk(GENERIC_JOINTS)
    np.testing.assert_allclose(framed.ik(tcp), crx10ia.ik(flange_target(tcp)), rtol=0, atol=1e-9)


def test_ik_lists_every_in_limit_whole_turn_copy(crx10ia, limited, rng):
    for joints in [GENERIC_JOINTS, *rng.uniform(-170, 170, (6, 6))]:
        tcp = limited.fk(joints)
        configurations = limited.ik(tcp)
        assert within(configurations).all()
        for row in configurations:
            np.testing.assert_allclose(limited.fk(row), tcp, rtol=0, atol=1e-8)
        expected = brute_force_copies(crx10ia.ik(flange_target(tcp)), lower=LOWER, upper=UPPER, elbow=ELBOW)
        np.testing.assert_allclose(configurations, expected, rtol=0, atol=1e-9)


def test_a_j6_stroke_of_225_gives_two_rows_where_j6_allows(crx10ia):
    cell = Cell(crx10ia, lower=[-180, -180, -300, -180, -180, -225], upper=[180, 180, 300, 180, 180, 225])
    target = crx10ia.fk([20, 30, -40, 50, 60, 170])
    configurations = cell.ik(target)
    doubled = 0
    for row in crx10ia.ik(target):
        # The copies that keep J1..J5 as ik gives them: J6 and, where it fits, J6 -+ 360.
        same = configurations[np.all(configurations[:, :5] == row[:5], axis=1)]
        expected = sorted(j6 for j6 in (row[5] - 360, row[5], row[5] + 360) if -225 <= j6 <= 225)
        np.testing.assert_array_equal(same[:, 5], expected)
        doubled += len(expected) == 2
    assert doubled >= 2
    # J6 = 170 and J6 = -190: the same pose, two configurations, the lower listed first.
    np.testing.assert_allclose(
        configurations[np.isclose(configurations[:, 0], 20), 5], [-190, 170], atol=1e-9
    )


def test_limits_are_inclusive_and_filter(crx10ia):
    target = crx10ia.fk(GENERIC_JOINTS)
    exact = crx10ia.ik(target)[0]
    cell = Cell(crx10ia, lower=exact, upper=exact)
    np.testing.assert_array_equal(cell.ik(target), [exact])
    for j in range(6):
        upper = exact.copy()
        upper[j] = np.nextafter(exact[j], -np.inf)
        assert Cell(crx10ia, lower=upper - 10, upper=upper).ik(target).shape == (0, 6)


def test_ik_closest_against_brute_force(crx10ia, limited, rng):
    for joints in rng.uniform(-170, 170, (8, 6)):
        tcp = limited.fk(joints)
        configurations = limited.ik(tcp)
        for reference in [joints, rng.uniform(-300, 300, 6)]:
            distances = np.max(np.abs(configurations - reference), axis=1)
            expected = configurations[np.argmin(distances)] if len(configurations) else None
            closest = limited.ik_closest(tcp, reference)
            if expected is None:
                assert closest is None
            else:
                np.testing.assert_array_equal(closest, expected)


def test_ik_closest_does_not_wrap(crx10ia):
    cell = Cell(crx10ia, lower=[-180, -180, -360, -180, -180, -225], upper=[180, 180, 360, 180, 180, 225])
    target = crx10ia.fk([20, 30, -40, 50, 60, 170])
    # From J6 = -185 the copy at -190 is 5 away; wrapped, 170 would be as close.
    assert cell.ik_closest(target, [20, 30, -40, 50, 60, -185])[5] == pytest.approx(-190)
    assert cell.ik_closest(target, [20, 30, -40, 50, 60, 175])[5] == pytest.approx(170)
    far = target.copy()
    far[0, 3] = 5000
    assert cell.ik_closest(far, [0] * 6) is None


def line(cell, start, move, steps):
    start_pose = cell.fk(start)
    poses = np.repeat(start_pose[None], steps, axis=0)
    poses[:, :3, 3] += np.outer(np.arange(1, steps + 1) / steps, move)
    return poses


def test_ik_path_follows_a_straight_line(limited):
    start = np.array([10.0, 20.0, -10.0, 15.0, -75.0, 30.0])
    poses = line(limited, start, [0, 150, -50], 80)
    path = limited.ik_path(poses, start)
    assert path.shape == (80, 6)
    steps = np.abs(np.diff(np.vstack([start, path]), axis=0))
    assert steps.max() < 1.0
    assert within(path).all()
    for joints, pose in zip(path, poses):
        np.testing.assert_allclose(limited.fk(joints), pose, rtol=0, atol=1e-8)
    np.testing.assert_array_equal(limited.ik_path(list(poses), start), path)
    assert limited.ik_path(np.empty((0, 4, 4)), start).shape == (0, 6)


def turning_tool(cell, start, degrees, steps):
    """The TCP turning about its own z axis from the pose at `start`, `steps` equal turns."""
    start_pose = cell.fk(start)
    return np.array(
        [start_pose @ pose_from_xyzwpr([0, 0, 0, 0, 0, degrees * k / steps]) for k in range(1, steps + 1)]
    )


def test_ik_path_through_whole_turns_and_where_it_must_stop(crx10ia):
    start = np.array([0.0, 10.0, -20.0, 0.0, -70.0, 100.0])
    lower, upper = [-180, -180, -360, -190, -180, -225], [180, 180, 360, 190, 180, 225]
    poses = turning_tool(Cell(crx10ia), start, -200, 40)

    # With the J6 stroke of +-225 the wrist turns on past 180 in 5 degree steps...
    limited = Cell(crx10ia, lower=lower, upper=upper)
    assert abs(limited.ik_path(poses[:20], start)[-1, 5]) > 180

    # ...until the stroke ends: past it only a configuration 360 or more degrees away remains.
    with pytest.raises(
        ValueError, match=r"^reaching tcp_poses\[(\d+)\] would move J\d by [0-9.]+ degrees"
    ) as error:
        limited.ik_path(poses, start)
    index = int(error.value.args[0].split("[")[1].split("]")[0])
    reached = limited.ik_path(poses[:index], start)
    assert abs(reached[-1, 5]) > 225 - 5

    # Without limits angles stay as ik folds them into [-180, 180): where J6 reaches 180 the nearest
    # configuration is another one, and the path stops there rather than switching to it.
    crossing = int(np.argmax(reached[:, 5] >= 180))
    assert crossing > 0
    with pytest.raises(ValueError, match=rf"^reaching tcp_poses\[{crossing}\] would move J\d by"):
        Cell(crx10ia).ik_path(poses, start)
    np.testing.assert_allclose(Cell(crx10ia).ik_path(poses[:crossing], start), reached[:crossing], atol=1e-9)


def test_ik_path_names_the_first_unreachable_pose(limited):
    start = np.array([10.0, 20.0, -10.0, 15.0, -75.0, 30.0])
    poses = line(limited, start, [0, 10, 0], 4)
    poses[2, :3, 3] += 5000
    poses[3, :3, 3] += 5000
    with pytest.raises(ValueError, match=r"^no configuration within the limits reaches tcp_poses\[2\]$"):
        limited.ik_path(poses, start)


def test_ik_path_max_step(limited):
    start = np.array([10.0, 20.0, -10.0, 15.0, -75.0, 30.0])
    poses = line(limited, start, [0, 100, 0], 2)
    with pytest.raises(
        ValueError,
        match=r"^reaching tcp_poses\[0\] would move J\d by [0-9.]+ degrees, more than max_step \(0.1\)$",
    ):
        limited.ik_path(poses, start, max_step=0.1)
    np.testing.assert_array_equal(limited.ik_path(poses, start, max_step=90), limited.ik_path(poses, start))


CELL_ERRORS = [
    ({"lower": LOWER}, ValueError, "^lower and upper must be given together$"),
    ({"upper": UPPER}, ValueError, "^lower and upper must be given together$"),
    (
        {"lower": UPPER, "upper": LOWER},
        ValueError,
        r"^the lower limit of J1 \(190\) is above its upper limit \(-190\)$",
    ),
    (
        {"lower": [0, 0, 0, 0, np.nan, 0], "upper": UPPER},
        ValueError,
        "^the limits of J5 must be finite, got nan to 179.9$",
    ),
    (
        {"lower": LOWER, "upper": [190, 180, 430, 190, 180, np.inf]},
        ValueError,
        "^the limits of J6 must be finite",
    ),
    (
        {"lower": [-720] + [0] * 5, "upper": [720] + [0] * 5},
        ValueError,
        r"^the stroke of J1 spans 1440 degrees; at most 1080 \(three turns\) is supported$",
    ),
    ({"j2_plus_j3": ELBOW}, ValueError, r"^a J2 \+ J3 range needs the lower and upper joint limits as well$"),
    (
        {"lower": LOWER, "upper": UPPER, "j2_plus_j3": (251, -71)},
        ValueError,
        r"^the J2 \+ J3 range starts above its end: 251 to -71$",
    ),
    (
        {"lower": LOWER, "upper": UPPER, "j2_plus_j3": (1, 2, 3)},
        ValueError,
        r"^argument 'j2_plus_j3': expected \(low, high\), got 3 values$",
    ),
    ({"lower": LOWER[:5], "upper": UPPER}, ValueError, "^argument 'lower': Expected 6 joint angles, got 5$"),
    ({"lower": LOWER, "upper": "abc"}, ValueError, "^argument 'upper': could not convert string to float"),
    ({"lower": LOWER, "upper": [[0] * 6]}, TypeError, "^argument 'upper': expected a one-dimensional array"),
    (
        {"tool": np.diag([1.0, 1.0, 1.001, 1.0])},
        ValueError,
        "^argument 'tool': Failed to convert matrix to isometry$",
    ),
    (
        {"user_frame": np.eye(3)},
        ValueError,
        r"^argument 'user_frame': Expected a 4x4 transformation matrix, got shape \[3, 3\]$",
    ),
    (
        {"tool": "abc"},
        ValueError,
        r"^argument 'tool': Expected a 4x4 array, or an object with an as_numpy\(\) method$",
    ),
    (
        {"user_frame": pose_from_xyzwpr([0, 0, 0, 0, 0, 0]) + np.pad([[np.nan]], ((0, 3), (3, 0)))},
        ValueError,
        "^argument 'user_frame': the translation must be finite$",
    ),
    ({"tools": None}, TypeError, "^Cell\\(\\) got an unexpected keyword argument 'tools'$"),
]


@pytest.mark.parametrize(("keywords", "error", "message"), CELL_ERRORS)
def test_bad_cells_are_refused(crx10ia, keywords, error, message):
    with pytest.raises(error, match=message):
        Cell(crx10ia, **keywords)


def test_bad_cell_calls(crx10ia):
    with pytest.raises(TypeError, match=r"^argument 'robot': 'int' object is not an instance of 'Crx'$"):
        Cell(3)
    with pytest.raises(TypeError, match=r"^Cell\(\) missing 1 required positional argument: 'robot'$"):
        Cell()
    with pytest.raises(TypeError, match=r"^Cell\(\) takes 1 positional arguments but 2 were given$"):
        Cell(crx10ia, TOOL)
    with pytest.raises(TypeError, match=r"^Cell\(\) got multiple values for argument 'robot'$"):
        Cell(crx10ia, robot=crx10ia)
    with pytest.raises(TypeError):

        class Derived(Cell):  # type: ignore[misc]
            pass


def test_bad_method_arguments(limited):
    tcp = limited.fk(GENERIC_JOINTS)
    start = [0.0] * 6
    with pytest.raises(ValueError, match=r"^Failed to convert matrix to isometry$"):
        limited.ik(tcp * 1.001)
    with pytest.raises(ValueError, match=r"^Expected 6 joint angles, got 5$"):
        limited.fk([0] * 5)
    with pytest.raises(ValueError, match=r"^Expected 6 joint angles, got 5$"):
        limited.ik_closest(tcp, [0] * 5)
    with pytest.raises(TypeError, match=r"^argument 'reference': "):
        limited.ik_closest(tcp, [[0] * 6])
    with pytest.raises(ValueError, match=r"^argument 'reference': the joint angles must be finite$"):
        limited.ik_closest(tcp, [0, 0, np.nan, 0, 0, 0])
    with pytest.raises(ValueError, match=r"^argument 'start': the joint angles must be finite$"):
        limited.ik_path([tcp], [np.inf, 0, 0, 0, 0, 0])
    with pytest.raises(TypeError, match=r"^argument 'tcp_poses': expected a sequence of poses$"):
        limited.ik_path(5, start)
    with pytest.raises(ValueError, match=r"^Expected a 4x4 array, or an object with an as_numpy\(\) method$"):
        limited.ik_path(tcp, start)  # one pose, not a sequence of them
    for bad in (0, -1, np.nan, np.inf):
        with pytest.raises(
            ValueError, match=r"^argument 'max_step': must be a positive number of degrees, got "
        ):
            limited.ik_path([tcp], start, max_step=bad)
    with pytest.raises(TypeError, match=r"^argument 'max_step': must be real number, not str$"):
        limited.ik_path([tcp], start, max_step="1")
    with pytest.raises(TypeError, match=r"^Cell.ik_path\(\) takes 2 positional arguments but 3 were given$"):
        limited.ik_path([tcp], start, 30)


def assert_same_cell(a, b):
    assert a is not b and a.robot is not b.robot
    assert (a.robot.z1, a.robot.x1, a.robot.x2, a.robot.y1) == (
        b.robot.z1,
        b.robot.x1,
        b.robot.x2,
        b.robot.y1,
    )
    for name in ("tool", "user_frame", "lower", "upper"):
        assert np.asarray(getattr(a, name)).tobytes() == np.asarray(getattr(b, name)).tobytes()
    assert a.j2_plus_j3 == b.j2_plus_j3


@pytest.mark.parametrize("protocol", range(pickle.HIGHEST_PROTOCOL + 1))
def test_pickling_round_trips(crx10ia, limited, protocol):
    robot = pickle.loads(pickle.dumps(crx10ia, protocol))
    assert type(robot) is Crx and robot is not crx10ia
    assert robot.fk(GENERIC_JOINTS).tobytes() == crx10ia.fk(GENERIC_JOINTS).tobytes()
    odd = Crx.from_params(0.1, 1e-300, -5.0, float("nan"))
    assert np.isnan(pickle.loads(pickle.dumps(odd, protocol)).y1)

    tcp = limited.fk(GENERIC_JOINTS)
    for cell in (limited, Cell(crx10ia), Cell(crx10ia, tool=TOOL)):
        restored = pickle.loads(pickle.dumps(cell, protocol))
        assert_same_cell(cell, restored)
        assert restored.ik(tcp).tobytes() == cell.ik(tcp).tobytes()


def test_copies_are_the_immutable_objects_themselves(crx10ia, limited):
    assert copy.copy(limited) is limited and copy.deepcopy(limited) is limited
    assert copy.copy(crx10ia) is crx10ia and copy.deepcopy([crx10ia])[0] is crx10ia
    with pytest.raises(TypeError, match=r"^cannot create 'talvane.Crx' instances$"):
        Crx()


def test_documentation():
    assert (
        Cell.__text_signature__
        == "(robot, *, tool=None, user_frame=None, lower=None, upper=None, j2_plus_j3=None)"
    )
    assert Cell.ik_path.__text_signature__ == "($self, tcp_poses, start, *, max_step=30.0)"
    assert Cell.__module__ == "talvane" and talvane.Cell is Cell
    for name in (
        "fk",
        "ik",
        "ik_closest",
        "ik_path",
        "robot",
        "tool",
        "user_frame",
        "lower",
        "upper",
        "j2_plus_j3",
    ):
        assert getattr(Cell, name).__doc__
