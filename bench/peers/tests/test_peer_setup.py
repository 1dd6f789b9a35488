"""The pieces of the peer benchmark that decide what is measured: the URDF handed to TRAC-IK, the
model ssik is asked for, and the sections of the page that a rewrite keeps."""

from xml.etree import ElementTree

import crx_chain
import numpy as np
import pytest
import report
import ssik_peer
import talvane


def urdf_forward(description, q):
    """The flange pose of a URDF chain of revolute joints with zero rpy, evaluated directly (mm)."""
    rotation, position = np.eye(3), np.zeros(3)
    joints = ElementTree.fromstring(description).findall("joint")
    revolute = [j for j in joints if j.get("type") == "revolute"]
    assert len(revolute) == 6 and [j.get("type") for j in joints[6:]] == ["fixed"]
    for joint in joints:
        origin = joint.find("origin")
        assert origin.get("rpy") == "0 0 0"
        position = position + rotation @ np.array(origin.get("xyz").split(), dtype=float)
        if joint.get("type") == "revolute":
            axis = np.array(joint.find("axis").get("xyz").split(), dtype=float)
            rotation = rotation @ crx_chain.axis_rotation(axis, q[revolute.index(joint)])
    pose = np.eye(4)
    pose[:3, :3] = rotation @ crx_chain.FLANGE_ROTATION
    pose[:3, 3] = 1e3 * position
    return pose


@pytest.mark.parametrize("model", ["crx10ia", "crx5ia", "crx30ia"])
def test_the_urdf_is_talvanes_chain(model):
    robot = getattr(talvane.Crx, model)()
    description = crx_chain.urdf(robot)
    for joints in np.random.default_rng(5).uniform(-360, 360, (20, 6)):
        pose = urdf_forward(description, crx_chain.kinematic_radians(joints))
        np.testing.assert_allclose(pose, robot.fk(joints), rtol=0, atol=1e-9)
    limits = ElementTree.fromstring(description).findall("joint/limit")
    assert [float(x.get("upper")) for x in limits] == [2 * np.pi] * 6


def test_ssik_is_asked_for_the_model_with_the_robots_dimensions():
    assert ssik_peer.model_of(talvane.Crx.crx5ia()) == "crx5ia"
    assert ssik_peer.model_of(talvane.Crx.crx20ial()) == "crx10ial"  # the same dimensions
    with pytest.raises(ValueError, match="no chain with the dimensions"):
        ssik_peer.model_of(talvane.Crx.from_params(1, 2, 3, 4))


def test_a_rewrite_keeps_what_follows_the_marker():
    page = f"# Old tables\n\nstale\n\n{report.KEPT_MARKER}\n\n## Batch calls\n\nfigures\n"
    kept = report.kept_sections(page)
    assert kept == f"\n{report.KEPT_MARKER}\n\n## Batch calls\n\nfigures\n"
    assert report.kept_sections("# Old tables only\n") == ""
