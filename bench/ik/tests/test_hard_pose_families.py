"""The hard-pose families sit where they say, with hairs of every size and exact zeros."""

import hard_pose_families as families
import numpy as np
import pytest
import talvane

N = 400


def draw(name, seed=5, robot=None):
    robot = robot if robot is not None else talvane.Crx.crx10ia()
    return families.FAMILIES[name](np.random.default_rng(seed), N, robot)


def off_nearest(values, centres):
    return np.min(np.abs(np.asarray(values)[:, None] - np.asarray(centres)[None, :]), axis=1)


def assert_hairs(offsets, exact=1e-12):
    offsets = np.abs(offsets)
    assert offsets.max() <= 0.1 + 1e-9
    assert (offsets <= exact).any(), "no exact singular value"
    assert (offsets[offsets > exact] < 1e-7).any() and (offsets > 1e-3).any(), "hairs not spread in size"


@pytest.mark.parametrize("name", list(families.FAMILIES))
def test_every_family_is_finite_and_repeats_for_a_seed(name):
    joints = draw(name)
    assert joints.shape == (N, 6) and np.isfinite(joints).all()
    assert np.array_equal(joints, draw(name))
    assert not np.array_equal(joints, draw(name, seed=6))


@pytest.mark.parametrize(
    ("name", "angle"), [("folded", -90.0), ("stretched", 90.0), ("stretched + wrist", 90.0)]
)
def test_the_forearm_angle_is_set(name, angle):
    joints = draw(name)
    assert_hairs(joints[:, 1] + joints[:, 2] - angle)


@pytest.mark.parametrize("name", ["wrist singular", "stretched + wrist"])
def test_j5_is_singular(name):
    assert_hairs(off_nearest(draw(name)[:, 4], [-180.0, 0.0, 180.0]))


def test_along_the_j1_axis():
    joints = draw("along J1 axis")
    assert set(np.unique(joints[:, 1])) == {-180.0, 0.0, 180.0}
    assert_hairs(off_nearest(joints[:, 2], [-90.0, 90.0]))


@pytest.mark.parametrize("model", families.CATALOGUED)
def test_the_wrist_centre_is_on_the_axis_with_the_flange_along_it(model):
    robot = getattr(talvane.Crx, model)()
    assert len(families.coaxial_bases(robot)) == 16
    joints = draw("wrist centre on J1 axis", robot=robot)
    poses = robot.fk_many(joints)
    centres = poses[:, :3, 3] - robot.x2 * poses[:, :3, 2]
    off = np.maximum(
        np.hypot(centres[:, 0], centres[:, 1]) / robot.z1, np.hypot(poses[:, 0, 2], poses[:, 1, 2])
    )
    assert (off <= 1e-12).any() and (off > 1e-3).any()  # exactly on it, and a tenth of a degree off
    assert np.abs(joints[:, [0, 5]]).max() > 150.0  # J1 and J6 anywhere


def test_an_arm_whose_offset_is_longer_than_its_upper_arm_has_no_coaxial_pose():
    robot = talvane.Crx.from_params(540.0, 540.0, 160.0, 1500.0)
    assert draw("wrist centre on J1 axis", robot=robot).shape == (0, 6)


def test_round_joints_are_mostly_round_some_nudged():
    off = off_nearest(draw("round").ravel(), families.ROUND_VALUES)
    assert 0.4 < np.mean(off == 0.0) < 0.6  # three in four round, a third of those nudged
    nudged = off[(off > 0) & (off <= 0.1)]
    assert nudged.min() < 1e-7 and nudged.max() > 1e-3


def test_params_robots_are_plausible_and_fixed():
    first = [(r.z1, r.x1, r.x2, r.y1) for _, r in families.params_robots()]
    assert first == [(r.z1, r.x1, r.x2, r.y1) for _, r in families.params_robots()]
    assert len(first) == families.PARAMS_ROBOTS + 1
    for z1, x1, x2, y1 in first:
        assert 250 <= z1 <= 1000 and 250 <= x1 <= 1000 and 80 <= x2 <= 250 and 80 <= y1 <= 250
    z1, x1 = first[-1][:2]
    assert x1 - z1 == pytest.approx(families.NEAR_FOLD_SHARE * z1, rel=1e-6)


def test_other_arms_are_mirror_images_lack_an_offset_or_have_a_long_one():
    for name, robot in families.other_arms():
        dims = (robot.z1, robot.x1, robot.x2, robot.y1)
        assert dims == families.OTHER_ARMS[name]
        assert min(dims) < 0 or 0.0 in (robot.x2, robot.y1) or robot.y1 > robot.z1, name
    assert not set(families.OTHER_ARMS) & {name for name, _ in families.models()}
