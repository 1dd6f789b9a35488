"""FANUC XYZWPR positions: the rotation convention, round trips, gimbal lock, stacked shapes."""

import numpy as np
import pytest
from talvane import Crx, pose_from_xyzwpr, xyzwpr_from_pose

from support import NOT_RIGID, AsNumpy


def elementary(axis, degrees):
    """The rotation by `degrees` about axis 0 (x), 1 (y) or 2 (z), built on its own."""
    c, s = np.cos(np.radians(degrees)), np.sin(np.radians(degrees))
    u, v = (axis + 1) % 3, (axis + 2) % 3
    m = np.eye(3)
    m[u, u] = m[v, v] = c
    m[u, v], m[v, u] = -s, s
    return m


def independent_pose(x, y, z, w, p, r):
    pose = np.eye(4)
    pose[:3, :3] = elementary(2, r) @ elementary(1, p) @ elementary(0, w)
    pose[:3, 3] = x, y, z
    return pose


def random_positions(rng, n, pitch=89.0):
    xyz = rng.uniform(-2000, 2000, (n, 3))
    angles = rng.uniform(-180, 180, (n, 3))
    angles[:, 1] = rng.uniform(-pitch, pitch, n)
    return np.hstack([xyz, angles])


@pytest.mark.parametrize(
    "position",
    [
        (0, 0, 0, 0, 0, 0),
        (100, -20, 300, 90, 0, 0),
        (0, 0, 0, 0, 90, 0),
        (0, 0, 0, 0, 0, 90),
        (5, 6, 7, 10, 20, 30),
    ],
)
def test_matches_the_elementary_rotations(position):
    np.testing.assert_allclose(pose_from_xyzwpr(position), independent_pose(*position), rtol=0, atol=1e-15)


def test_w_then_p_then_r_about_fixed_axes():
    # W = 90 turns y into z; then P = 90 about the fixed y turns that z into x.
    pose = pose_from_xyzwpr([0, 0, 0, 90, 90, 0])
    np.testing.assert_allclose(pose[:3, 1], [1, 0, 0], atol=1e-15)


def test_round_trips(rng):
    positions = random_positions(rng, 500)
    back = xyzwpr_from_pose(pose_from_xyzwpr(positions))
    np.testing.assert_allclose(back[:, :3], positions[:, :3], rtol=0, atol=1e-9)
    np.testing.assert_allclose(back[:, 3:], positions[:, 3:], rtol=0, atol=1e-12)

    robot = Crx.crx10ia()
    poses = np.array([robot.fk(j) for j in rng.uniform(-180, 180, (200, 6))])
    np.testing.assert_allclose(pose_from_xyzwpr(xyzwpr_from_pose(poses)), poses, rtol=0, atol=1e-12)


def test_angles_come_back_in_the_half_open_turn():
    back = xyzwpr_from_pose(pose_from_xyzwpr([[0, 0, 0, -180, 0, 540], [0, 0, 0, 370, -20, -400]]))
    assert back[0, 3] == 180.0 and back[0, 5] == pytest.approx(180.0, abs=1e-12) and back[0, 5] > -180
    np.testing.assert_allclose(back[1, 3:], [10, -20, -40], atol=1e-12)


@pytest.mark.parametrize("pitch", [90.0, -90.0])
@pytest.mark.parametrize("w", [0.0, 35.0, -150.0])
def test_gimbal_lock_gives_w_zero(pitch, w):
    pose = pose_from_xyzwpr([1, 2, 3, w, pitch, 40])
    x, y, z, w_back, p_back, r_back = xyzwpr_from_pose(pose)
    assert (w_back, p_back) == (0.0, pitch)
    # Only R - W (P = 90) or R + W (P = -90) is defined.
    expected_r = ((40 - w if pitch > 0 else 40 + w) + 180) % 360 - 180
    assert r_back == pytest.approx(expected_r, abs=1e-12)
    np.testing.assert_allclose(pose_from_xyzwpr([x, y, z, w_back, p_back, r_back]), pose, rtol=0, atol=1e-15)


def test_close_to_gimbal_lock_the_matrix_still_comes_back():
    for pitch in (89.9999999, 89.9999999999, -89.99999999999):
        pose = pose_from_xyzwpr([0, 0, 0, 35, pitch, -20])
        np.testing.assert_allclose(pose_from_xyzwpr(xyzwpr_from_pose(pose)), pose, rtol=0, atol=1e-12)


@pytest.mark.parametrize("leading", [(), (1,), (7,), (2, 3), (0,)])
def test_stacks_keep_their_leading_shape(rng, leading):
    positions = random_positions(rng, int(np.prod(leading))).reshape(*leading, 6)
    poses = pose_from_xyzwpr(positions)
    assert poses.shape == (*leading, 4, 4) and poses.dtype == np.float64
    assert xyzwpr_from_pose(poses).shape == (*leading, 6)
    for index in np.ndindex(*leading):
        np.testing.assert_array_equal(poses[index], pose_from_xyzwpr(positions[index]))
        np.testing.assert_array_equal(xyzwpr_from_pose(poses)[index], xyzwpr_from_pose(poses[index]))


def test_accepted_forms():
    pose = pose_from_xyzwpr((1, 2, 3, 4, 5, 6))
    np.testing.assert_array_equal(pose_from_xyzwpr(np.array([1, 2, 3, 4, 5, 6], dtype=np.int32)), pose)
    strided = np.zeros(12)
    strided[::2] = [1, 2, 3, 4, 5, 6]
    np.testing.assert_array_equal(pose_from_xyzwpr(strided[::2]), pose)

    np.testing.assert_array_equal(xyzwpr_from_pose(AsNumpy(pose)), xyzwpr_from_pose(pose.tolist()))
    np.testing.assert_array_equal(xyzwpr_from_pose(np.asfortranarray(pose)), xyzwpr_from_pose(pose))


@pytest.mark.parametrize(
    ("value", "message"),
    [
        ([1, 2, 3, 4, 5], r"Expected XYZWPR values in a last dimension of 6, got shape \[5\]"),
        (np.zeros((6, 2)), r"Expected XYZWPR values in a last dimension of 6, got shape \[6, 2\]"),
        (3.0, r"Expected XYZWPR values in a last dimension of 6, got shape \[\]"),
        ([0, 0, 0, 0, np.nan, 0], "XYZWPR values must be finite"),
        ([[0] * 6, [np.inf, 0, 0, 0, 0, 0]], "XYZWPR values must be finite"),
    ],
)
def test_pose_from_xyzwpr_refuses(value, message):
    with pytest.raises(ValueError, match=f"^{message}$"):
        pose_from_xyzwpr(value)


def test_pose_from_xyzwpr_conversion_errors_name_the_argument():
    with pytest.raises(TypeError, match=r"^argument 'xyzwpr': "):
        pose_from_xyzwpr([object()] * 6)
    with pytest.raises(ValueError, match="could not convert string to float"):
        pose_from_xyzwpr(["a"] * 6)


def scaled(pose, factor):
    pose = pose.copy()
    pose[0, 0] *= factor
    return pose


@pytest.mark.parametrize(
    ("value", "message"),
    [
        (np.eye(3), r"Expected a 4x4 transformation matrix, got shape \[3, 3\]"),
        (np.zeros((2, 4, 3)), r"Expected a 4x4 transformation matrix, got shape \[2, 4, 3\]"),
        (list(range(16)), "Expected a 4x4 array, or an object with an as_numpy\\(\\) method"),
        ("abc", "Expected a 4x4 array, or an object with an as_numpy\\(\\) method"),
        (scaled(np.eye(4), 1.001), NOT_RIGID),
        (np.stack([np.eye(4), np.diag([1.0, 1.0, -1.0, 1.0])]), NOT_RIGID),
        (np.eye(4).astype(np.float32) + np.float32(1e-3), NOT_RIGID),
    ],
)
def test_xyzwpr_from_pose_refuses(value, message):
    with pytest.raises(ValueError, match=f"^{message}$"):
        xyzwpr_from_pose(value)


def test_signatures_and_registration():
    import talvane

    assert talvane.__all__[6:] == ["Cell", "pose_from_xyzwpr", "xyzwpr_from_pose"]
    assert pose_from_xyzwpr.__text_signature__ == "(xyzwpr)"
    assert xyzwpr_from_pose.__text_signature__ == "(pose)"
    assert "Rz(R)·Ry(P)·Rx(W)" in pose_from_xyzwpr.__doc__
    assert "W = 0" in xyzwpr_from_pose.__doc__
