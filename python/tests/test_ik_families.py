"""IK at singular and special poses: the continuous families as the guide describes them, walked
member by member with fk, and reproducers of solutions once lost there."""

import numpy as np
import pytest
import talvane
from talvane import SolutionKind

MODELS = ["crx3ia", "crx5ia", "crx10ia", "crx10ial", "crx20ial", "crx30ia"]
# Both arms with z1 = x1, where P can sit at the shoulder.
SHOULDER_MODELS = ["crx3ia", "crx10ia"]
WALK_TOLERANCE = 1e-9


def robot_of(name):
    return getattr(talvane.Crx, name)()


def pose_difference(robot, joints, target):
    return float(np.abs(robot.fk(joints) - target).max())


def shoulder_family_member(robot, member, j1):
    """The member of the P-at-the-shoulder family with the given J1 (degrees), as in the guide."""
    r5 = robot.fk_all(member)[4][:3, :3]
    c, s = np.cos(np.radians(j1)), np.sin(np.radians(j1))
    m = np.array([[c, s, 0.0], [-s, c, 0.0], [0.0, 0.0, 1.0]]) @ r5  # Rz(-J1)·R5 = Ry(b)·Rx(g)·Ry(d)
    g = np.arccos(np.clip(m[1, 1], -1.0, 1.0))
    b = np.arctan2(m[0, 1], m[2, 1])
    d = np.arctan2(m[1, 0], -m[1, 2])
    j2 = np.degrees(b) - 90.0
    return np.array([j1, j2, -90.0 - j2, -np.degrees(g), -np.degrees(d), member[5]])


def family_members(robot, target):
    return [s.joints for s in robot.ik_detailed(target) if s.kind is SolutionKind.SingularFamily]


# Folded on an arm with z1 = x1, P sits at the shoulder instead: the other family.
AXIS_CASES = [
    (model, j2, j3)
    for model in MODELS
    for j2, j3 in [(0, 90), (0, -90), (180, 90), (-180, -90), (0, 270)]
    if not (model in SHOULDER_MODELS and (j2 + j3) % 360 == 270)
]


@pytest.mark.parametrize(("model", "j2", "j3"), AXIS_CASES)
def test_arm_along_the_axis_walks_j1_and_j4_together(model, j2, j3):
    robot = robot_of(model)
    target = robot.fk([30, j2, j3, 40, 50, 60])
    members = family_members(robot, target)
    assert members, "no member of the family listed"
    for member in members:
        for d in np.linspace(-180.0, 180.0, 25):
            walked = member + d * np.array([1.0, 0, 0, np.sin(np.radians(member[2])), 0, 0])
            assert pose_difference(robot, walked, target) <= WALK_TOLERANCE, (member, d)


@pytest.mark.parametrize("model", SHOULDER_MODELS)
@pytest.mark.parametrize(
    "q", [[20, 35, -125, 40, 50, 60], [-110, -60, -30, 170, -20, 5], [75, 120, -210, -95, 150, -140]]
)
def test_forearm_point_at_the_shoulder_walks_every_j1(model, q):
    robot = robot_of(model)
    target = robot.fk(q)
    members = family_members(robot, target)
    assert members, "no member of the family listed"
    for member in members:
        for j1 in np.linspace(-180.0, 180.0, 37):
            walked = shoulder_family_member(robot, member, j1)
            assert pose_difference(robot, walked, target) <= WALK_TOLERANCE, (member, j1)
            assert walked[1] + walked[2] == pytest.approx(-90.0)


@pytest.mark.parametrize("model", SHOULDER_MODELS)
@pytest.mark.parametrize(("j4", "j5_sign"), [(0.0, 1.0), (180.0, -1.0)])
def test_forearm_point_at_the_shoulder_with_j4_at_a_half_turn_trades_j2_against_j5(model, j4, j5_sign):
    robot = robot_of(model)
    q = np.array([20.0, 35, -125, j4, 50, 60])
    target = robot.fk(q)
    for e in np.linspace(-90.0, 90.0, 13):
        assert pose_difference(robot, q + [0, e, -e, 0, j5_sign * e, 0], target) <= WALK_TOLERANCE, e


@pytest.mark.parametrize("dimensions", [(540.0, 480.0, 160.0, 0.0), (540.0, 540.0, 0.0, 0.0)])
@pytest.mark.parametrize(("j5", "j6_sign"), [(0.0, -1.0), (180.0, 1.0), (-180.0, 1.0)])
def test_without_lateral_offset_a_straight_wrist_walks_j4_against_j6(dimensions, j5, j6_sign):
    robot = talvane.Crx.from_params(*dimensions)
    q = np.array([20.0, 30, -40, 50, j5, 70])
    target = robot.fk(q)
    members = [row for row in robot.ik(target) if abs(abs(row[4]) - abs(j5)) < 1e-6]
    assert members  # the other rows are the pose's other configurations
    for row in members:
        for d in np.linspace(-180.0, 180.0, 13):
            walked = row + [0, 0, 0, d, 0, j6_sign * d]
            assert pose_difference(robot, walked, target) <= WALK_TOLERANCE


@pytest.mark.parametrize("model", MODELS)
@pytest.mark.parametrize(("j3", "j4", "j5"), [(-90.0, 90.0, 0.0), (90.0, 90.0, 0.0), (90.0, 90.0, 180.0)])
def test_wrist_centre_on_the_axis_with_the_flange_along_it_walks_j1_with_j6(model, j3, j4, j5):
    robot = robot_of(model)
    tilt = np.degrees(np.arcsin(robot.y1 / robot.z1))
    q = np.array([30.0, np.sign(j3) * np.sign(j4) * tilt, j3, j4, j5, 40.0])
    target = robot.fk(q)
    flange_z_up = target[2, 2]
    wrist_centre = target[:3, 3] - robot.x2 * target[:3, 2]
    assert abs(flange_z_up) == pytest.approx(1.0) and np.hypot(*wrist_centre[:2]) < 1e-9
    members = family_members(robot, target)
    assert members, "no member of the family listed"
    for member in members:
        assert min(abs(member[0]), 180.0 - abs(member[0])) < 1e-9  # J1 = 0, and its twin a half turn off
        for d in np.linspace(-180.0, 180.0, 25):
            walked = member + d * np.array([1.0, 0, 0, 0, 0, flange_z_up])
            assert pose_difference(robot, walked, target) <= WALK_TOLERANCE, (member, d)


@pytest.mark.parametrize("model", ["crx10ial", "crx20ial", "crx30ia", "crx3ia", "crx10ia"])
@pytest.mark.parametrize(("lean", "j3"), [(1.0, 180.0), (1.0, -180.0), (-1.0, 0.0)])
@pytest.mark.parametrize("j4", [90.0, -90.0])
def test_forearm_point_on_the_axis_with_the_j5_axis_along_it_walks_j1_with_j5(model, lean, j3, j4):
    robot = robot_of(model)
    j2 = lean * np.degrees(np.arcsin(robot.x1 / robot.z1))
    target = robot.fk([30.0, j2, j3, j4, 40.0, 50.0])
    tilt = np.degrees(np.arcsin(robot.x1 / robot.z1))

    def in_family(row):
        # As the guide has it: the elbow x1 from the axis, the forearm back to it, J4 at ±90.
        forearm_back = (row[1] > 0 and abs(abs(row[2]) - 180.0) < 1e-7) or (row[1] < 0 and abs(row[2]) < 1e-7)
        return abs(abs(row[1]) - tilt) < 1e-7 and forearm_back and abs(abs(row[3]) - 90.0) < 1e-7

    members = [row for row in robot.ik(target) if in_family(row)]
    assert members, "no member of the family listed"
    for member in members:
        sign = -np.cos(np.radians(member[2])) * np.sin(np.radians(member[3]))
        for d in np.linspace(-180.0, 180.0, 25):
            walked = member + d * np.array([1.0, 0, 0, 0, sign, 0])
            assert pose_difference(robot, walked, target) <= WALK_TOLERANCE, (member, d)


@pytest.mark.parametrize("j5", [0.0, 180.0, -180.0])
def test_a_straight_wrist_is_not_a_family(crx10ia, j5):
    # Trading J4 against J6 keeps the orientation but moves the flange by about y1 times the angle.
    q = np.array([20.0, 30, -40, 50, j5, 70])
    target = crx10ia.fk(q)
    d = 0.01
    traded = crx10ia.fk(q + [0, 0, 0, d, 0, -d if j5 == 0.0 else d])
    assert np.abs(traded[:3, :3] - target[:3, :3]).max() < 1e-12
    assert np.linalg.norm(traded[:3, 3] - target[:3, 3]) == pytest.approx(
        crx10ia.y1 * np.radians(d), rel=1e-6
    )
    rows = crx10ia.ik(target)
    assert min(wrapped_distance(row, q) for row in rows) < 1e-5


def wrapped_difference(a, b):
    return (np.asarray(a, dtype=float) - np.asarray(b, dtype=float) + 180.0) % 360.0 - 180.0


def wrapped_distance(a, b):
    return float(np.abs(np.radians(wrapped_difference(a, b))).max())


def covered(robot, rows, q, target):
    """A row within 1e-5 rad of q, or joined to it by a straight segment that reaches the target."""
    if any(wrapped_distance(row, q) < 1e-5 for row in rows):
        return True
    for row in rows:
        step = wrapped_difference(q, row)
        if all(pose_difference(robot, row + t * step, target) <= 1e-8 for t in np.linspace(0.0, 1.0, 65)):
            return True
    return False


REPRODUCERS = [
    ("crx5ia", [0, -90, -180, 0, 0, -180]),
    ("crx3ia", [0, -90, -180, 0, 0, -180]),
    (
        "crx10ia",
        [-26.785988971922364, -90.0, -179.99998495044477, -180.0, -180.00001966258333, -143.87175670278384],
    ),
    (
        "crx10ial",
        [-26.785988971922364, -90.0, -179.99998495044477, -180.0, -180.00001966258333, -143.87175670278384],
    ),
    (
        "crx30ia",
        [
            4.1250405187511205,
            -90.00007021176125,
            -180.0,
            -179.9998699967791,
            -180.0000060615951,
            -179.99999841263917,
        ],
    ),
    (
        "crx10ia",
        [
            113.03717026033445,
            89.84708517690666,
            -179.85492574651306,
            61.66409073306272,
            161.51244709495376,
            94.10990364966977,
        ],
    ),
    (
        "crx10ia",
        [
            85.58799174234389,
            97.11726648246662,
            -187.2172664824666,
            155.19880725448178,
            -82.1804400176616,
            161.79545676623485,
        ],
    ),
    (
        "crx5ia",
        [
            -30.424546484328857,
            4.017279773885207,
            -94.01727977488521,
            -0.5637036151439077,
            167.76471402949142,
            89.99295873511477,
        ],
    ),
    (
        "crx10ia",
        [-117.39191422021429, 0.0, 90.001, 13.7837493578445, -176.77206962984312, -156.86988420670485],
    ),
    (
        "crx10ia",
        [
            140.14627750223036,
            0.0,
            90.00006625101547,
            115.75512946713309,
            150.28848525027968,
            90.00001036663195,
        ],
    ),
    (
        "crx10ia",
        [
            -0.26283510390777565,
            89.99429952581085,
            -179.9801831861468,
            84.81717323022792,
            55.12713688412339,
            -102.8997278861349,
        ],
    ),
]


@pytest.mark.parametrize(("model", "q"), REPRODUCERS)
def test_solutions_once_lost_at_special_poses_are_listed(model, q):
    # Through Python the target is the matrix rebuilt from fk's, a rounding away from the C++ tests'.
    robot = robot_of(model)
    target = robot.fk(q)
    rows = robot.ik(target)
    assert len(rows) > 0
    assert all(pose_difference(robot, row, target) <= 1e-8 for row in rows)
    assert covered(robot, rows, q, target)


# Where the wrist circle only touches the J1 axis, the member that reaches the target comes from
# where the search stops along the touching stretch, not from the touching point itself: these q
# lie in the axis band, and a search that kept only the touching point lost them.
TOUCHING_THE_AXIS = [
    (
        "crx10ia",
        [89.99999995061803, -180.0, -90.00000059403051, 90.0, 89.99999650747459, -0.01872158309238132],
    ),
    (
        "crx3ia",
        [89.99999995061803, -180.0, -90.00000059403051, 90.0, 89.99999650747459, -0.01872158309238132],
    ),
    ("crx3ia", [0.0, 90.00053562485095, -180.0, 0.0, -180.0, 89.98461956765675]),
]


@pytest.mark.parametrize(("model", "q"), TOUCHING_THE_AXIS)
def test_where_the_circle_touches_the_axis_q_is_listed(model, q):
    robot = robot_of(model)
    target = robot.fk(q)
    rows = robot.ik(target)
    assert all(pose_difference(robot, row, target) <= 1e-8 for row in rows)
    assert covered(robot, rows, q, target)
