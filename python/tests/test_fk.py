import numpy as np
import pytest
from talvane import Crx, CrxModel

ZERO = [0, 0, 0, 0, 0, 0]

WORKED_FLANGES = [
    (ZERO, [[0, 0, 1, 700], [0, -1, 0, -150], [1, 0, 0, 540], [0, 0, 0, 1]]),
    ([0, 0, 0, 0, -90, 0], [[1, 0, 0, 540], [0, -1, 0, -150], [0, 0, -1, 380], [0, 0, 0, 1]]),
    ([90, 0, 0, 0, 0, 0], [[0, 1, 0, 150], [0, 0, 1, 700], [1, 0, 0, 540], [0, 0, 0, 1]]),
    (
        [0, 30, -30, 0, 0, 0],
        [
            [0.5, 0, 0.866025403784, 876.217782649],
            [0, -1, 0, -150],
            [0.866025403784, 0, -0.5, 117.653718044],
            [0, 0, 0, 1],
        ],
    ),
]


@pytest.mark.parametrize(("joints", "expected"), WORKED_FLANGES)
def test_worked_flange_poses(crx10ia, joints, expected):
    pose = crx10ia.fk(joints)
    assert pose.shape == (4, 4) and pose.dtype == np.float64
    np.testing.assert_allclose(pose, expected, rtol=0, atol=1e-9)
    assert pose[3].tolist() == [0.0, 0.0, 0.0, 1.0]


def test_coupled_example_frames(crx10ia):
    frames = crx10ia.fk_all([0, 30, -30, 0, 0, 0])
    assert frames.shape == (6, 4, 4)
    np.testing.assert_allclose(frames[2][:3, 3], [270, 0, 467.653718044], atol=1e-9)
    np.testing.assert_allclose(
        frames[2][:3, :3], [[0.866025403784, 0, 0.5], [0, 1, 0], [-0.5, 0, 0.866025403784]], atol=1e-12
    )
    np.testing.assert_allclose(frames[4][:3, 3], [737.653718044, -150, 197.653718044], atol=1e-9)


def test_from_params_equals_catalogue(crx10ia):
    custom = Crx.from_params(540, 540, 160, 150)
    assert np.array_equal(custom.fk(ZERO), crx10ia.fk(ZERO))
    assert custom.fk(ZERO)[:, 3].tolist() == [700.0, -150.0, 540.0, 1.0]


def test_fk_is_last_frame_of_fk_all(rng):
    for model in (CrxModel.Crx3iA, CrxModel.Crx10iAL, CrxModel.Crx30iA):
        robot = Crx.from_model(model)
        for joints in rng.uniform(-360, 360, size=(50, 6)):
            assert np.array_equal(robot.fk_all(joints)[5], robot.fk(joints))


@pytest.mark.parametrize(
    "joints",
    [
        (10, 20, 30, 40, 50, 60),
        [np.float32(v) for v in (10, 20, 30, 40, 50, 60)],
        np.array([10, 20, 30, 40, 50, 60], dtype=np.float32),
        np.array([10, 20, 30, 40, 50, 60], dtype=np.int16),
        np.arange(12.0)[::2] * 0 + np.array([10, 20, 30, 40, 50, 60]),
        np.array([10, 0, 20, 0, 30, 0, 40, 0, 50, 0, 60, 0], dtype=np.float64)[::2],
        np.array([60, 50, 40, 30, 20, 10], dtype=np.float64)[::-1],
        np.array([10, 20, 30, 40, 50, 60], dtype=">f8"),
        range(10, 70, 10),
        np.array([[10, 20, 30, 40, 50, 60]])[0],
        # Its items have no float conversion; NumPy's asarray casts it as it casts any array.
        np.array(["10", "20", "30", "40", "50", "60"]),
    ],
    ids=[
        "int-tuple",
        "float32-scalars",
        "float32-array",
        "int16-array",
        "computed",
        "stride-2",
        "negative-stride",
        "big-endian",
        "range",
        "row-view",
        "string-array",
    ],
)
def test_joint_arguments_accepted(crx10ia, joints):
    expected = crx10ia.fk(np.array([10, 20, 30, 40, 50, 60], dtype=np.float64))
    assert np.array_equal(crx10ia.fk(joints), expected)
    assert np.array_equal(crx10ia.fk(joints=joints), expected)


@pytest.mark.parametrize(
    ("joints", "exception", "message"),
    [
        ([0] * 5, ValueError, "Expected 6 joint angles, got 5"),
        ([0] * 7, ValueError, "Expected 6 joint angles, got 7"),
        (np.zeros(7), ValueError, "Expected 6 joint angles, got 7"),
        (np.zeros(0), ValueError, "Expected 6 joint angles, got 0"),
        ([[1, 2, 3], [4, 5, 6]], TypeError, "argument 'joints': "),
        ("1.5", TypeError, "argument 'joints': "),
        (np.zeros((2, 3)), TypeError, "argument 'joints': "),
        (np.zeros((2, 3), dtype=object), TypeError, "argument 'joints': "),
        (7.0, TypeError, "argument 'joints': "),
        ("abc", ValueError, "could not convert string to float: 'abc'"),
    ],
)
@pytest.mark.parametrize("method", ["fk", "fk_all"])
def test_joint_argument_errors(crx10ia, method, joints, exception, message):
    with pytest.raises(exception) as info:
        getattr(crx10ia, method)(joints)
    assert type(info.value) is exception
    assert str(info.value).startswith(message)


def test_numpy_coercion_error_propagates_unchanged(crx10ia):
    class Exploding:
        def __array__(self, *args, **kwargs):
            raise OverflowError("boom")

    with pytest.raises(OverflowError, match="boom"):
        crx10ia.fk(Exploding())


def test_results_are_fresh_arrays_and_inputs_untouched(crx10ia):
    joints = np.array([1.0, 2.0, 3.0, 4.0, 5.0, 6.0])
    before = joints.copy()
    first = crx10ia.fk(joints)
    first[:] = 0
    second = crx10ia.fk(joints)
    assert second.flags.owndata and second.flags.c_contiguous and second.flags.writeable
    assert not np.shares_memory(first, second)
    assert np.array_equal(joints, before)
    frames = crx10ia.fk_all(joints)
    assert frames.flags.owndata and frames.flags.c_contiguous


def test_whole_turns_and_non_finite_values(crx10ia):
    np.testing.assert_allclose(
        crx10ia.fk([400, -720, 10, 0, 0, 370]), crx10ia.fk([40, 0, 10, 0, 0, 10]), atol=1e-9
    )
    assert np.isnan(crx10ia.fk([np.nan, 0, 0, 0, 0, 0])[:3]).any()
    assert not np.isfinite(Crx.from_params(np.inf, 540, 160, 150).fk(ZERO)[:3, 3]).all()
