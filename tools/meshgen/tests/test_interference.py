import functools

import pytest

from tools.meshgen.dimensions import CRX5IA, MODELS
from tools.meshgen.interference import penetrations
from tools.meshgen.links import build_model
from tools.meshgen.render import CHECK_POSES


@functools.cache
def meshes(name):
    return build_model({d.name: d for d in MODELS}[name])


@pytest.mark.parametrize("dims", MODELS, ids=[d.name for d in MODELS])
@pytest.mark.parametrize("joints", CHECK_POSES)
def test_links_stay_apart_at_the_check_poses(dims, joints):
    assert penetrations(dims, meshes(dims.name), joints) == []


def test_upper_arm_swung_into_the_base_is_caught():
    found = penetrations(CRX5IA, meshes("crx5ia"), (0, 180, 0, 0, 0, 0))
    assert any({i, j} == {0, 2} for i, j, _ in found)
