"""The hard-pose benchmark's judge: bands, coverage and the peer comparison."""

import hard_pose_families as families
import hard_pose_scoring as scoring
import numpy as np
import pytest
import talvane
from targets import wrap_degrees

CRX10IA = talvane.Crx.crx10ia()
CRX5IA = talvane.Crx.crx5ia()
Q = np.array([10.0, 20.0, 30.0, 40.0, 50.0, 60.0])


@pytest.mark.parametrize(("name", "robot"), families.models())
def test_forearm_point_is_on_the_j4_axis_a_y1_step_from_the_wrist(name, robot):
    rng = np.random.default_rng(1)
    scoring.check_forearm_point(robot, rng)
    for q in rng.uniform(-180.0, 180.0, (10, 6)):
        frames = robot.fk_all(q)
        p = scoring.forearm_point(robot, q)
        assert np.linalg.norm(p - frames[2][:3, 3]) == pytest.approx(robot.x1)
        assert np.linalg.norm(p - frames[4][:3, 3]) == pytest.approx(robot.y1)
        # In the plane of the wrist circle: perpendicular to the flange's z axis.
        assert abs(np.dot(p - frames[4][:3, 3], frames[5][:3, 2])) < 1e-9


@pytest.mark.parametrize(
    ("robot", "joints", "expected"),
    [
        (CRX10IA, Q, scoring.OUTSIDE),
        (CRX10IA, [10, 0, 90, 20, 30, 40], scoring.IN_FAMILY),  # arm straight up the J1 axis
        (CRX10IA, [10, 0, -90, 20, 30, 40], scoring.IN_FAMILY),  # folded down it: P at the shoulder
        (CRX10IA, [10, 50, -140, 20, 30, 40], scoring.IN_FAMILY),  # folded, z1 = x1: P at the shoulder
        (CRX5IA, [10, 50, -140, 20, 30, 40], scoring.OUTSIDE),  # folded, |P| = x1 - z1 = 20 mm
        (CRX10IA, [10, 30, 120, 20, 30, 40], scoring.AXIS_ISOLATED),  # P over the shoulder, elbow 270 mm out
        (CRX10IA, [10, 0, 90.001, 20, 30, 40], scoring.OUTSIDE),  # P 9.4e-3 mm off the axis
        (CRX10IA, [10, 0, 90.00001, 20, 30, 40], scoring.IN_FAMILY),  # 9.4e-5 mm: inside the band
    ],
)
def test_placement(robot, joints, expected):
    assert scoring.placement(robot, np.array(joints, dtype=float)) == expected


def twin_rows(robot, q):
    """ik's rows for fk(q) other than q itself."""
    rows = robot.ik(robot.fk(q))
    return rows[scoring.joint_distance_rad(rows, q) > 1e-3]


def test_whole_turns_cover_and_a_hair_past_the_tolerance_does_not():
    target = CRX10IA.fk(Q)
    assert scoring.covered(CRX10IA, np.array([Q + [360, 0, -720, 0, 0, -360]]), Q, target)
    assert scoring.covered(CRX10IA, np.array([Q + [np.degrees(0.9e-5), 0, 0, 0, 0, 0]]), Q, target)
    # 2e-5 rad off in J1 is neither close enough nor a solution, so the segment check must fail too.
    assert not scoring.covered(CRX10IA, np.array([Q + [np.degrees(2e-5), 0, 0, 0, 0, 0]]), Q, target)
    assert not scoring.covered(CRX10IA, np.empty((0, 6)), Q, target)
    assert not scoring.covered(CRX10IA, twin_rows(CRX10IA, Q), Q, target)


@pytest.mark.parametrize(("j1", "step"), [(10.0, 40.0), (170.0, 40.0), (-170.0, -40.0)])
def test_a_family_member_covers_q_by_a_straight_segment_across_the_half_turn(j1, step):
    # Forearm straight up the J1 axis: J1 (about +z) and J4 (about the link's -x, now -z) turn
    # together. 170 + 40 is written -150, so only the wrapped step is +40.
    q = np.array([j1, 0.0, 90.0, 20.0, 30.0, 40.0])
    target = CRX10IA.fk(q)
    member = wrap_degrees(q + [step, 0, 0, step, 0, 0])
    assert scoring.reaches(CRX10IA, member, target)
    assert scoring.covered(CRX10IA, np.array([member]), q, target)
    off_family = q + [step, 0, 0, -step, 0, 0]
    assert not scoring.reaches(CRX10IA, off_family, target)


def test_j5_at_zero_is_no_family_on_an_offset_wrist():
    # The J6 axis runs y1 beside the J4 axis, so turning J4 and J6 oppositely moves the flange: a
    # row found there must lie within the joint tolerance, and no segment excuses it.
    q = np.array([10.0, 20.0, 30.0, 170.0, 0.0, 60.0])
    target = CRX10IA.fk(q)
    for sign in (1.0, -1.0):
        assert not scoring.reaches(CRX10IA, q + [0, 0, 0, 1, 0, sign], target)


def test_judge_counts_rows_that_miss_the_target():
    target = CRX10IA.fk(Q)
    outcome = scoring.judge(CRX10IA, Q, target, np.array([Q, Q + [1, 0, 0, 0, 0, 0], [np.nan] * 6]))
    assert (outcome.rows, len(outcome.valid), outcome.invalid_rows) == (3, 1, 2)
    assert outcome.covered and not outcome.uncovered and not outcome.empty
    empty = scoring.judge(CRX10IA, Q, target, np.empty((0, 6)))
    assert empty.empty and empty.uncovered and not empty.band_unserved
    in_family = np.array([10.0, 0.0, 90.0, 20.0, 30.0, 40.0])
    unserved = scoring.judge(CRX10IA, in_family, CRX10IA.fk(in_family), np.empty((0, 6)))
    assert unserved.band_unserved and not unserved.uncovered


def test_a_missing_shoulder_family_is_told_from_a_member_listed_elsewhere_on_it():
    folded = np.array([10.0, 30.0, -120.0, 20.0, 30.0, 40.0])  # J2 + J3 = -90: P at the shoulder
    target = CRX10IA.fk(folded)
    rows = CRX10IA.ik(target)
    members = [row for row in rows if scoring.at_shoulder(CRX10IA, row)]
    others = [row for row in rows if abs(wrap_degrees(row[5] - folded[5])) > 10.0]
    assert members and others and scoring.at_shoulder(CRX10IA, folded)
    listed = scoring.judge(CRX10IA, folded, target, rows)
    assert not listed.covered and not listed.shoulder_family_missing
    missing = scoring.judge(CRX10IA, folded, target, np.array(others))
    assert missing.in_bands and not missing.band_unserved and missing.shoulder_family_missing
    assert not scoring.judge(CRX10IA, folded, target, np.empty((0, 6))).shoulder_family_missing


def test_peer_only_lists_valid_peer_rows_that_talvane_lacks():
    target = CRX10IA.fk(Q)
    rows = CRX10IA.ik(target)
    assert scoring.peer_only(CRX10IA, rows, rows, target) == []
    others = twin_rows(CRX10IA, Q)
    peer = np.array([Q + [360, 0, 0, 0, 0, 0], Q + [1, 0, 0, 0, 0, 0]])
    only = scoring.peer_only(CRX10IA, peer, others, target)
    assert len(only) == 1 and np.array_equal(only[0].joints, peer[0]) and only[0].placement == scoring.OUTSIDE
    assert only[0].joined is None


def test_nearest_row_reports_the_distance_and_the_segment_error():
    target = CRX10IA.fk(Q)
    near = Q + [np.degrees(2e-5), 0, 0, 0, 0, 0]
    distance, worst = scoring.nearest_row(CRX10IA, np.array([near, Q + 90]), Q, target)
    assert distance == pytest.approx(2e-5)
    assert worst == pytest.approx(np.abs(CRX10IA.fk(near)[:3] - target[:3]).max(), rel=1e-6)
    assert all(np.isnan(scoring.nearest_row(CRX10IA, np.empty((0, 6)), Q, target)))


def test_a_looser_segment_tolerance_joins_rows_of_a_curved_flat_valley():
    # Stretched arm with J5 a hair from 180 on a CRX-3iA: two exact solutions 1.5e-4 rad apart whose
    # straight segment leaves the target by at most 4.5e-8.
    robot = talvane.Crx.crx3ia()
    q = np.array(
        [
            -72.31670255059068,
            -0.47109042579216975,
            90.47109042579217,
            -156.54371181503416,
            180.00000005710916,
            -109.80604085601571,
        ]
    )
    other = np.array(
        [
            -72.32523969023434,
            -0.471252255094538,
            -269.5287477517952,
            -156.55135873019213,
            -179.99982354805803,
            250.19484907980615,
        ]
    )
    target = robot.fk(q)
    assert scoring.reaches(robot, other, target)
    assert not scoring.covered(robot, np.array([other]), q, target)
    assert scoring.covered(robot, np.array([other]), q, target, segment_tolerance=1e-7)
    assert scoring.covered_through_valley(robot, np.array([other]), q, target)


CRX30IA_NEAR_AXIS = (
    # Elbow and P 0.19 mm from the J1 axis, J5 a hair from 0 on a CRX-30iA: ssik's row and q are
    # a tenth of a degree apart in J1 and J4 on a curved valley whose chord leaves the target by 7e-8.
    np.array(
        [-100.29819191095437, -0.011593698285126365, -90.0, 95.670217660677, 0.00013238778126940982, -180.0]
    ),
    np.array(
        [
            -100.39638382068746,
            -0.011595688201453713,
            -90.00000000023711,
            -264.23169297858846,
            -359.9998676122426,
            180.00010254899854,
        ]
    ),
)


def test_a_curved_valley_near_the_axis_joins_what_the_chord_does_not():
    robot = talvane.Crx.crx30ia()
    q, peer = CRX30IA_NEAR_AXIS
    target = robot.fk(q)
    assert scoring.reaches(robot, peer, target)
    assert not scoring.joined_by_segment(robot, peer, q, target)
    assert scoring.joined_through_valley(robot, peer, q, target)
    only = scoring.peer_only(robot, np.array([peer]), np.array([q]), target)
    assert len(only) == 1 and only[0].joined == scoring.VALLEY


def test_a_long_valley_gets_vertices_enough_to_follow_it():
    # Arm along the J1 axis with the wrist straight on a CRX-10iA/L, the elbow 2.4 band widths off
    # the axis: ssik's row reaches the target only to 1e-8, beside the floor of a valley that runs
    # 0.73 rad, mostly in J1 and J4, to one of talvane's rows; 129 vertices are too few to follow it.
    robot = talvane.Crx.crx10ial()
    q = np.array([180.0, -180.00000004211137, 90.0, 137.91541968760947, 180.0, 180.00000669021887])
    peer = np.array(
        [
            -317.9248714512623,
            -179.99983062542725,
            90.00000000065826,
            -0.010253324391616123,
            179.99999999934175,
            179.99920512948,
        ]
    )
    row = np.array(
        [
            6.276847229444013e-08,
            -179.99999995788872,
            90.00000000000009,
            -42.084580249622086,
            179.99999999999994,
            -179.9999933097812,
        ]
    )
    target = robot.fk(q)
    assert scoring.reaches(robot, peer, target) and scoring.reaches(robot, row, target)
    assert scoring.joint_distance_rad(row[None], peer)[0] > 0.7
    assert scoring.joined_through_valley(robot, peer, row, target)


def test_isolated_solutions_are_not_joined_through_a_valley():
    target = CRX10IA.fk(Q)
    for other in twin_rows(CRX10IA, Q):
        assert not scoring.joined_through_valley(CRX10IA, Q, other, target)


def test_a_pull_brings_a_nudged_solution_back_to_it():
    target = CRX10IA.fk(Q)
    nudged = Q + np.array([1, -2, 3, -1, 2, -3]) * 1e-4
    pulled = scoring.pull_into_target(CRX10IA, nudged, target)
    assert np.abs(scoring.pose_error(CRX10IA, pulled, target)).max() <= 1e-10
    assert scoring.joint_distance_rad(pulled[None], Q)[0] <= 1e-8


def test_a_row_near_a_family_is_judged_by_its_exact_solution():
    # P 1.5e-3 mm from a CRX-3iA's shoulder, five band widths: ssik's row reaches the target only
    # to 1e-8, and the exact solution it polishes to is a member of the shoulder family.
    robot = talvane.Crx.crx3ia()
    q = np.array([0.0, 180.0000000140685, 89.99999999842356, -49.614807897293325, -180.0, 180.0])
    peer = np.array(
        [
            -310.3868472296701,
            -0.0002878302223919678,
            -90.00002806167825,
            -359.9975480490198,
            -359.9999719393432,
            179.99920317598324,
        ]
    )
    target = robot.fk(q)
    assert scoring.placement(robot, peer) == scoring.OUTSIDE
    exact = scoring.exact_solution(robot, peer, target)
    assert np.abs(scoring.pose_error(robot, exact, target)).max() <= scoring.EXACT_ERROR
    assert scoring.placement(robot, exact) == scoring.IN_FAMILY
    (only,) = scoring.peer_only(robot, peer[None], np.empty((0, 6)), target)
    assert only.joined == scoring.FAMILY and only.placement == scoring.IN_FAMILY


def test_an_isolated_row_polishes_to_itself_and_stays_ssik_only():
    target = CRX10IA.fk(Q)
    assert scoring.joint_distance_rad(scoring.exact_solution(CRX10IA, Q + 1e-6, target)[None], Q)[0] <= 1e-9
    (only,) = scoring.peer_only(CRX10IA, Q[None], twin_rows(CRX10IA, Q), target)
    assert only.joined is None and only.placement == scoring.OUTSIDE


# Round-value targets a hair from the CRX-3iA's and the CRX-10iA's shoulder family, with a row of
# ssik's outside the bands that no polish moves into them: the tube of near-solutions around the
# family reaches out past the bands and narrows at the wrist straight, where it parts from
# talvane's rows.
TUBE_ROWS = {
    "crx3ia joined": (
        talvane.Crx.crx3ia(),
        [0.0, 90.0, 180.0000295188403, 180.0, -152.14439317198566, -90.0],
        [
            -360.0000523298335,
            -54.901217994555616,
            -35.09867261076437,
            -179.99963303853934,
            -7.243095301727442,
            269.9996604176442,
        ],
        True,
    ),
    "crx10ia joined": (
        CRX10IA,
        [-180.0, 89.99999427636602, 180.0, 180.0, -114.0206310740408, 0.0],
        [
            -359.9999412640232,
            19.331510334746078,
            -109.33144638401005,
            -0.0002924680133032315,
            -4.689184690080326,
            0.00023783968581602037,
        ],
        True,
    ),
    # Its stretch of the tube ends where the upper arm passes the J1 axis, P then 1.004 band widths
    # from the shoulder: the band is a line, and this row stays on the wrong side of it.
    "crx3ia at the band's edge": (
        talvane.Crx.crx3ia(),
        [0.0, 89.99995586579904, -180.0, -180.0, 127.70873599883713, 27.171496119326136],
        [
            -0.00023158652208482672,
            205.67447742342725,
            -295.67464488968994,
            -180.00067939385937,
            -347.965908890258,
            27.171977367486914,
        ],
        False,
    ),
}


@pytest.mark.parametrize("case", list(TUBE_ROWS))
def test_a_row_in_the_tube_around_a_family_is_joined_to_it(case):
    robot, q, peer, joined = TUBE_ROWS[case]
    target = robot.fk(np.array(q))
    peer = np.array(peer)
    assert scoring.reaches(robot, peer, target) and scoring.placement(robot, peer) == scoring.OUTSIDE
    exact = scoring.exact_solution(robot, peer, target)
    assert exact is None or scoring.placement(robot, exact) == scoring.OUTSIDE
    assert scoring.joined_to_family(robot, peer, target) == joined
    (only,) = scoring.peer_only(robot, peer[None], np.empty((0, 6)), target)
    assert only.joined == (scoring.TUBE if joined else None)


@pytest.mark.parametrize(
    "q",
    [
        Q,  # isolated: every step off it is pulled back
        np.array([10.0, 20.0, 30.0, 170.0, 0.0, 60.0]),  # the wrist straight: flat, but no family
    ],
)
def test_a_tube_that_is_no_family_is_not_joined(q):
    target = CRX10IA.fk(q)
    assert not scoring.joined_to_family(CRX10IA, q, target)
