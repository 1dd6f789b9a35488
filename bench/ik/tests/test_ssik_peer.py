"""ssik's chains in talvane's conventions (runs where ssik is installed: bench/peers/requirements.txt)."""

import numpy as np
import pytest

pytest.importorskip("ssik")

import hard_pose_scoring as scoring
import ssik_peer


@pytest.mark.parametrize("model", ssik_peer.MODELS)
def test_ssik_finds_the_generating_joints_of_random_targets(model):
    c = ssik_peer.chain(model)
    assert max(c.agreement.position_mm, c.agreement.rotation) < 1e-9
    for q in np.random.default_rng(3).uniform(-170.0, 170.0, (5, 6)):
        target = c.robot.fk(q)
        assert np.allclose(c.from_ssik(c.to_ssik(target)), target, atol=1e-12)
        rows = ssik_peer.ssik_solutions(model, target)
        assert scoring.covered(c.robot, rows[[scoring.reaches(c.robot, r, target) for r in rows]], q, target)


def test_only_the_10ial_tool_frame_is_the_flange():
    identity = [m for m in ssik_peer.MODELS if np.array_equal(ssik_peer.chain(m).tool_rotation, np.eye(3))]
    assert identity == ["crx10ial"]


def test_an_unknown_model_is_refused():
    with pytest.raises(ValueError, match="no chain"):
        ssik_peer.chain("crx99")
