import functools

import numpy as np
import pytest

from tools.meshgen import checks
from tools.meshgen.builder import Mesh
from tools.meshgen.dimensions import CRX5IA, CRX10IA, MODELS
from tools.meshgen.links import build_model
from tools.meshgen.plans import TARGETS
from tools.meshgen.verify import mesh_problems

CASES = [(d, i) for d in MODELS for i in range(7)]


@functools.cache
def meshes(name):
    return build_model({d.name: d for d in MODELS}[name])


@pytest.mark.parametrize(("dims", "index"), CASES, ids=[f"{d.name}-{i}" for d, i in CASES])
def test_every_invariant_holds(dims, index):
    assert mesh_problems(dims, index, meshes(dims.name)[index]) == []


def test_counts_match_the_table():
    for d in MODELS:
        got = tuple((len(m.vertices), len(m.faces)) for m in meshes(d.name))
        assert got == TARGETS[d.name]


@pytest.mark.parametrize(("dims", "face_count"), [(CRX5IA, 82), (CRX10IA, 75)])
def test_flange_face_is_the_top_plane(dims, face_count):
    flange = meshes(dims.name)[6]
    z = flange.vertices[:, 2]
    assert z.max() == 0.0
    assert np.count_nonzero(z == 0.0) == face_count
    # nearest other ring: the front-edge round, well below the quantisation step
    assert z[z < 0.0].max() < -0.1
    # the rim holes: 6 holes bridged into one face of N + 2h - 2 triangles
    top = (flange.vertices[flange.faces.astype(np.int64)][:, :, 2] == 0.0).all(axis=1)
    assert np.count_nonzero(top) == face_count + 2 * 6 - 2


def test_build_is_deterministic():
    again = build_model(CRX10IA)
    for a, b in zip(meshes("crx10ia"), again):
        assert a.vertices.tobytes() == b.vertices.tobytes()
        assert a.faces.tobytes() == b.faces.tobytes()


def _copy(mesh, vertices=None, faces=None):
    return Mesh(
        vertices=mesh.vertices.copy() if vertices is None else vertices,
        faces=mesh.faces.copy() if faces is None else faces,
        vertex_group=mesh.vertex_group,
        groups=mesh.groups,
    )


def test_checks_catch_faults():
    base = meshes("crx5ia")[0]
    flipped = base.faces.copy()
    flipped[:, [1, 2]] = flipped[:, [2, 1]]
    assert any("inside out" in p for p in checks.check_geometry(_copy(base, faces=flipped)))
    one_flipped = base.faces.copy()
    one_flipped[5, [1, 2]] = one_flipped[5, [2, 1]]
    assert checks.check_manifold(_copy(base, faces=one_flipped))
    repeated = base.faces.copy()
    repeated[7, 2] = repeated[7, 0]
    assert any("repeat" in p for p in checks.check_numbering(_copy(base, faces=repeated)))
    renumbered = base.faces.copy()
    swap = {0: 1, 1: 0}
    renumbered = np.vectorize(lambda v: swap.get(int(v), int(v)))(renumbered).astype(np.uint32)
    assert any("first use" in p for p in checks.check_numbering(_copy(base, faces=renumbered)))
    assert checks.check_closed(_copy(base, faces=base.faces[1:]))
    flange = meshes("crx5ia")[6]
    lifted = flange.vertices.copy()
    lifted[200, 2] = 0.0
    assert checks.check_flange_face(_copy(flange, vertices=lifted), 82)


def test_exposed_openings_are_reported():
    turret = meshes("crx5ia")[1]
    problems = checks.check_geometry(turret)
    # only the J1 column foot is open to the outside; it faces the base across the gap
    assert problems == ["80 vertices of openings are exposed"]


def test_coplanar_overlap_is_reported():
    base = meshes("crx5ia")[0]
    extra = np.vstack([base.faces, base.faces[:1][:, [0, 2, 1]]])
    assert checks.check_coplanar_overlaps(_copy(base, faces=extra))
