"""The hard-pose families sit where they say, with hairs of every size and exact zeros."""

import hard_pose_families as families
import numpy as np
import pytest

N = 400


def draw(name, seed=5):
    return families.FAMILIES[name](np.random.default_rng(seed), N)


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
