import functools
import pathlib

import numpy as np
import pytest

from tools.meshgen.dimensions import MODELS
from tools.meshgen.links import build_model
from tools.meshgen.plans import FLANGE_FACE_VERTICES, TARGETS
from tools.meshgen.streamcheck import read_stream, stream_problems
from tools.meshgen.streams import encode, stream_name

DATA = pathlib.Path(__file__).resolve().parents[3] / "core" / "data"
CASES = [(d, i) for d in MODELS for i in range(7)]


@functools.cache
def meshes(name):
    return build_model({d.name: d for d in MODELS}[name])


@functools.cache
def stream(name, index):
    return encode(meshes(name)[index]).data


@pytest.mark.parametrize(("dims", "index"), CASES, ids=[f"{d.name}-{i}" for d, i in CASES])
def test_stream_layout_and_content(dims, index):
    data = stream(dims.name, index)
    face = FLANGE_FACE_VERTICES[dims.name] if index == 6 else None
    assert stream_problems(data, meshes(dims.name)[index], face) == []
    v, f, _ = read_stream(data)
    assert (len(v), len(f)) == TARGETS[dims.name][index]


@pytest.mark.parametrize(("dims", "index"), CASES, ids=[f"{d.name}-{i}" for d, i in CASES])
def test_committed_stream_is_regenerated_byte_for_byte(dims, index):
    path = DATA / stream_name(dims.name, index)
    assert path.read_bytes() == stream(dims.name, index)


def test_reader_rejects_layout_faults():
    data = stream("crx5ia", 6)
    mesh = meshes("crx5ia")[6]
    assert stream_problems(data + b"\0", mesh, 82) == ["1 bytes follow the index block"]
    bad_version = data[:4] + b"\3" + data[5:]
    assert stream_problems(bad_version, mesh, 82)[0].startswith("unreadable")
    # first partition's transform kind byte: after header (14), block head (56) and its count (4)
    transformed = bytearray(data)
    transformed[14 + 56 + 4] = 1
    assert stream_problems(bytes(transformed), mesh, 82)[0].startswith("unreadable")
    # a z coordinate moved off the face plane in the source no longer matches the stream
    moved = type(mesh)(mesh.vertices.copy(), mesh.faces, mesh.vertex_group, mesh.groups)
    moved.vertices[0, 2] -= 0.5
    assert any("off" in p for p in stream_problems(data, moved, 82))


def test_anchor_widths_follow_the_extent():
    for d in MODELS:
        for i in range(7):
            lay = read_stream(stream(d.name, i))[2]
            extent = lay.anchor_hi - lay.anchor_lo
            expected = np.clip(np.ceil(np.log2(extent / 0.01 + 1.0)), 14, 17)
            assert lay.anchor_widths == tuple(int(w) for w in expected)
