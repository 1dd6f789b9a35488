"""The batch methods: each row equals the single call bit for bit, inputs are checked before any work,
and the solving runs with the interpreter lock released."""

import inspect
import threading
import time

import numpy as np
import pytest
import talvane
from talvane import Cell, Crx

from support import ELBOW, LOWER, TOOL, UPPER, USER_FRAME, AsNumpy


def solvers():
    robot = Crx.crx10ia()
    return {
        "crx10ia": robot,
        "crx5ia": Crx.crx5ia(),
        "odd arm": Crx.from_params(333.3, 512.0, 101.5, 77.7),
        "cell": Cell(robot, tool=TOOL, user_frame=USER_FRAME, lower=LOWER, upper=UPPER, j2_plus_j3=ELBOW),
        "cell without limits": Cell(robot, tool=TOOL),
    }


SOLVERS = solvers()


def joint_batch(rng, count=40):
    """Random joints, and ones at the special configurations: J5 = 0, straight elbow, wrist on J1."""
    joints = rng.uniform(-200, 200, (count, 6))
    joints[0] = 0
    joints[1] = [0, -60, 30, 0, -90, 0]
    joints[2] = [0, -60, -30, 0, -90, 0]
    joints[3, 4] = 0
    joints[4, 2] = 0
    return joints


def target_batch(solver, rng):
    """Reachable targets, then unreachable ones (far away and a NaN position)."""
    targets = solver.fk_many(joint_batch(rng))
    far = targets[:3].copy()
    far[:, :3, 3] = [[5000.0, 0.0, 0.0], [0.0, 0.0, -4000.0], [np.nan, 0.0, 0.0]]
    return np.concatenate([targets, far])


def same_bits(a, b):
    a, b = np.asarray(a), np.asarray(b)
    return a.shape == b.shape and a.dtype == b.dtype and a.tobytes() == b.tobytes()


@pytest.mark.parametrize("name", SOLVERS)
def test_fk_many_equals_fk_row_for_row(name, rng):
    solver = SOLVERS[name]
    joints = joint_batch(rng)
    poses = solver.fk_many(joints)
    assert poses.shape == (len(joints), 4, 4) and poses.dtype == np.float64 and poses.flags.c_contiguous
    for q, pose in zip(joints, poses):
        assert same_bits(pose, solver.fk(q))


@pytest.mark.parametrize("name", SOLVERS)
def test_ik_many_equals_ik_target_for_target(name, rng):
    solver = SOLVERS[name]
    targets = target_batch(solver, rng)
    found = solver.ik_many(targets)
    assert isinstance(found, list) and len(found) == len(targets)
    for target, rows in zip(targets, found):
        assert same_bits(rows, solver.ik(target))
    assert all(len(rows) == 0 and rows.shape == (0, 6) for rows in found[-3:])


@pytest.mark.parametrize("name", SOLVERS)
def test_ik_closest_many_equals_ik_closest(name, rng):
    solver = SOLVERS[name]
    targets = target_batch(solver, rng)
    references = rng.uniform(-180, 180, (len(targets), 6))
    found = solver.ik_closest_many(targets, references)
    assert found.shape == (len(targets), 6) and found.dtype == np.float64
    for target, reference, row in zip(targets, references, found):
        single = solver.ik_closest(target, reference)
        if single is None:
            assert np.isnan(row).all()
        else:
            joints = single.joints if isinstance(single, talvane.IkSolution) else single
            assert same_bits(row, joints)
    assert np.isnan(found[-3:]).all()


def test_every_input_form_gives_the_same_result(crx10ia, rng):
    joints = joint_batch(rng, 6)
    targets = crx10ia.fk_many(joints)
    expected = crx10ia.ik_many(targets)
    fortran = np.asfortranarray(targets)
    strided = np.repeat(targets, 2, axis=0)[::2]
    for form in (
        list(targets),
        [t.tolist() for t in targets],
        tuple(AsNumpy(t) for t in targets),
        AsNumpy(targets),
        fortran,
        strided,
        targets.astype(np.longdouble),
    ):
        result = crx10ia.ik_many(form)
        assert all(same_bits(a, b) for a, b in zip(result, expected)) and len(result) == len(expected)
    expected_poses = crx10ia.fk_many(joints)
    for form in (
        joints.tolist(),
        list(joints),
        np.asfortranarray(joints),
        joints.T.copy().T,
        [tuple(q) for q in joints],
    ):
        assert same_bits(crx10ia.fk_many(form), expected_poses)
    assert same_bits(crx10ia.fk_many(np.zeros((2, 6), dtype=np.int32)), crx10ia.fk_many(np.zeros((2, 6))))


@pytest.mark.parametrize("name", SOLVERS)
def test_empty_batches_give_empty_results(name):
    solver = SOLVERS[name]
    for empty in ([], (), np.empty((0, 4, 4))):
        assert solver.ik_many(empty) == []
        assert solver.ik_closest_many(empty, np.empty((0, 6))).shape == (0, 6)
    assert solver.fk_many([]).shape == (0, 4, 4)
    assert solver.fk_many(np.empty((0, 6))).shape == (0, 4, 4)


def rotated(angle):
    pose = np.eye(4)
    pose[:2, :2] = [[np.cos(angle), -np.sin(angle)], [np.sin(angle), np.cos(angle)]]
    return pose


GOOD = np.stack([rotated(0.1 * i) for i in range(5)])
SCALED = GOOD.copy()
SCALED[3, 0, 0] = 2.0


@pytest.mark.parametrize(
    ("call", "error", "message"),
    [
        (lambda s: s.ik_many(SCALED), ValueError, r"^targets\[3\]: Failed to convert matrix to isometry$"),
        (
            lambda s: s.ik_many(list(SCALED)),
            ValueError,
            r"^targets\[3\]: Failed to convert matrix to isometry$",
        ),
        (
            lambda s: s.ik_many([GOOD[0], np.eye(3)]),
            ValueError,
            r"^targets\[1\]: Expected a 4x4 transformation matrix, got shape \[3, 3\]$",
        ),
        (
            lambda s: s.ik_many([GOOD[0], GOOD[1], "x"]),
            ValueError,
            r"^targets\[2\]: Expected a 4x4 array, or an object with an as_numpy\(\) method$",
        ),
        (
            lambda s: s.ik_many(np.eye(4)),
            ValueError,
            r"^Expected an \(n, 4, 4\) array of poses, got shape \[4, 4\]$",
        ),
        (lambda s: s.ik_many(5), ValueError, r"^Expected an \(n, 4, 4\) array of poses, got shape \[\]$"),
        (
            lambda s: s.ik_many(np.zeros((2, 3, 4))),
            ValueError,
            r"^Expected an \(n, 4, 4\) array of poses, got shape \[2, 3, 4\]$",
        ),
        (
            lambda s: s.fk_many(np.zeros((3, 5))),
            ValueError,
            r"^Expected an \(n, 6\) array of joint angles, got shape \[3, 5\]$",
        ),
        (
            lambda s: s.fk_many(np.zeros(6)),
            ValueError,
            r"^Expected an \(n, 6\) array of joint angles, got shape \[6\]$",
        ),
        (
            lambda s: s.fk_many([[0] * 6, [0] * 6, [0] * 7]),
            ValueError,
            r"^joints\[2\]: Expected 6 joint angles, got 7$",
        ),
        (
            lambda s: s.fk_many([[0] * 6, [[0] * 6]]),
            TypeError,
            r"^joints\[1\]: argument 'joints': expected a one-dimensional array of joint angles",
        ),
        (
            lambda s: s.ik_closest_many(GOOD, np.zeros((4, 6))),
            ValueError,
            r"^Expected one reference per target: 5 targets, 4 references$",
        ),
        (
            lambda s: s.ik_closest_many(SCALED, np.zeros((4, 6))),
            ValueError,
            r"^targets\[3\]: Failed to convert matrix to isometry$",
        ),
        (
            lambda s: s.ik_closest_many(GOOD, [[0] * 6] * 4 + [[0] * 5]),
            ValueError,
            r"^references\[4\]: Expected 6 joint angles, got 5$",
        ),
    ],
)
def test_bad_input_is_refused_with_the_first_bad_index(crx10ia, call, error, message):
    with pytest.raises(error, match=message):
        call(crx10ia)


def test_cell_batch_messages_use_its_argument_names(crx10ia):
    cell = Cell(crx10ia, lower=LOWER, upper=UPPER)
    with pytest.raises(ValueError, match=r"^tcp_poses\[3\]: Failed to convert matrix to isometry$"):
        cell.ik_many(SCALED)
    references = np.zeros((5, 6))
    references[2, 4] = np.nan
    with pytest.raises(ValueError, match=r"^references\[2\]: the joint angles must be finite$"):
        cell.ik_closest_many(GOOD, references)
    with pytest.raises(
        TypeError, match=r"^Cell.ik_many\(\) missing 1 required positional argument: 'tcp_poses'$"
    ):
        cell.ik_many()


def test_an_as_numpy_error_propagates_unchanged(crx10ia):
    class Broken:
        def as_numpy(self):
            raise RuntimeError("no pose here")

    with pytest.raises(RuntimeError, match=r"^no pose here$"):
        crx10ia.ik_many(Broken())
    with pytest.raises(RuntimeError, match=r"^no pose here$"):
        crx10ia.ik_many([GOOD[0], Broken()])


def test_inputs_are_not_written(crx10ia, rng):
    targets = crx10ia.fk_many(joint_batch(rng, 5))
    targets.flags.writeable = False
    references = np.zeros((5, 6))
    references.flags.writeable = False
    before = targets.copy()
    crx10ia.ik_many(targets)
    crx10ia.ik_closest_many(targets, references)
    assert same_bits(targets, before) and not references.any()


def test_the_lock_is_released_while_solving(crx10ia, rng):
    """The main thread keeps running while another thread is inside one long ik_many."""
    targets = crx10ia.fk_many(rng.uniform(-170, 170, (4000, 6)))
    span = {}

    def solve():
        span["start"] = time.perf_counter()
        crx10ia.ik_many(targets)
        span["end"] = time.perf_counter()

    worker = threading.Thread(target=solve)
    ticks = []
    worker.start()
    while worker.is_alive():
        ticks.append(time.perf_counter())
    worker.join()
    inside = sum(span["start"] < t < span["end"] for t in ticks)
    # Had the call held the lock, no tick of this loop could fall inside it.
    assert inside > 100


def test_threads_over_halves_give_the_single_threaded_result(crx10ia, rng):
    targets = crx10ia.fk_many(rng.uniform(-170, 170, (400, 6)))
    expected = crx10ia.ik_many(targets)
    halves = [None, None]

    def solve(i):
        halves[i] = crx10ia.ik_many(targets[i * 200 : (i + 1) * 200])

    threads = [threading.Thread(target=solve, args=(i,)) for i in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    combined = halves[0] + halves[1]
    assert len(combined) == len(expected) and all(same_bits(a, b) for a, b in zip(combined, expected))


@pytest.mark.parametrize("cls", [Crx, Cell])
def test_text_signatures(cls):
    names = {"fk_many": "(self, /, joints)"}
    if cls is Crx:
        names |= {"ik_many": "(self, /, targets)", "ik_closest_many": "(self, /, targets, references)"}
    else:
        names |= {"ik_many": "(self, /, tcp_poses)", "ik_closest_many": "(self, /, tcp_poses, references)"}
    for name, signature in names.items():
        method = getattr(cls, name)
        assert str(inspect.signature(method)) == signature
        assert "interpreter lock released" in " ".join(method.__doc__.split())
