"""Checks of the stream encoder that do not need the decoder: layout of the
bytes it writes, determinism, tolerance, rotation codes and argument errors.
The decoder's own tests decode its output."""

import pathlib
import struct
import sys

import numpy as np
import pytest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2]))

from quorvet import (
    ToleranceNotRepresentable,
    decode_rotation,
    encode_mesh,
    encode_mesh_detailed,
    first_use_order,
    rotation_code,
)
from quorvet.bitpack import pack_fields
from quorvet.shapes import sphere, torus

TETRA_V = np.array([[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]], dtype=np.float64)
TETRA_F = np.array([[0, 1, 2], [0, 2, 3], [3, 1, 0], [1, 3, 2]])


def test_pack_fields_lsb_first():
    assert pack_fields([5, 2933], [3, 13]) == bytes([0xAD, 0x5B])
    assert pack_fields([2**64 - 1, 1], [64, 1]) == b"\xff" * 8 + b"\x01"
    assert pack_fields([], []) == b""
    with pytest.raises(ValueError, match=r"^a value does not fit its field width$"):
        pack_fields([4], [2])


def test_stream_starts_like_an_embedded_mesh():
    data = encode_mesh(TETRA_V, TETRA_F)
    assert data[:4] == b"QRVT"
    assert data[4:15] == bytes([2, 1, 0, 0, 1, 0, 0, 0, 0, 0, 3])


def test_output_is_deterministic():
    v, f = torus(10.0, 2.0, 12, 8)
    options = dict(
        partitions=[40, 56], rotations=[(0.1, 0.2, 0.3, 0.9), None], name="t", metadata={"a": True}
    )
    assert encode_mesh(v, f, **options) == encode_mesh(v.copy(), f.copy(), **options)


@pytest.mark.parametrize("tolerance", [0.5, 0.005, 1e-6])
@pytest.mark.parametrize("rotated", [False, True])
def test_decoded_vertices_within_tolerance(tolerance, rotated):
    v, f = sphere(100.0, 9, 10)
    rotations = [(0.3, -0.4, 0.2, 0.8)] * 3 if rotated else None
    encoded = encode_mesh_detailed(v, f, partitions=[30, 30, 30], rotations=rotations, tolerance=tolerance)
    assert np.max(np.abs(encoded.decoded_vertices - v)) <= tolerance


def test_planar_run_gets_width_zero_and_exact_anchor_bounds():
    v = np.array([[0.0, 0.0, 5.0], [3.0, 1.0, 5.0], [1.0, 2.0, 5.0], [2.0, 2.0, 0.0]])
    encoded = encode_mesh_detailed(v, [[0, 1, 2], [1, 3, 2]], partitions=[3, 1])
    # z of the first partition decodes to the anchor's upper bound exactly.
    assert np.all(encoded.decoded_vertices[:3, 2] == 5.0)
    assert encoded.decoded_vertices[3, 2] == 0.0


def test_planar_run_without_corner_codes_keeps_its_plane():
    v = np.array([[0.0, 0.0, 0.0], [4.0, 1.0, 2.0], [1.0, 2.0, 2.0], [2.0, 2.0, 2.0]])
    encoded = encode_mesh_detailed(v, [[0, 1, 2], [1, 3, 2]], partitions=[1, 3], anchor_widths=(0, 0, 0))
    assert np.max(np.abs(encoded.decoded_vertices - v)) <= 0.005


def test_rotation_codes():
    identity = decode_rotation(rotation_code((0, 0, 0, 1)))
    assert np.array_equal(identity, np.eye(3))
    half_turn = decode_rotation(rotation_code((1, 0, 0, 0)))
    assert np.array_equal(half_turn, np.diag([1.0, -1.0, -1.0]))
    q = np.array([0.2, -0.5, 0.4, 0.7])
    q /= np.linalg.norm(q)
    x, y, z, w = q
    expected = np.array(
        [
            [1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)],
            [2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)],
            [2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)],
        ]
    )
    assert np.max(np.abs(decode_rotation(rotation_code(-q)) - expected)) < 2e-3


def test_first_use_order():
    v = np.arange(15, dtype=np.float64).reshape(5, 3)
    nv, nf, order = first_use_order(v, [[3, 1, 3], [4, 1, 0]])
    assert list(order) == [3, 1, 4, 0, 2]
    assert nf.tolist() == [[0, 1, 0], [2, 1, 3]]
    assert np.array_equal(nv, v[order])


def test_index_codings_layout():
    fixed = encode_mesh(TETRA_V, TETRA_F, index_coding="fixed")
    # mode 0, width 2, 12 indices of 2 bits
    assert fixed[-(2 + 3) :][:2] == bytes([0, 2])
    # deltas 0 0 0 3 1 0 1 3 4 3 1 2: one group of width 3, 6 + 36 bits = 6 bytes
    delta = encode_mesh(TETRA_V, TETRA_F)
    assert delta[-16:-6] == bytes([3]) + struct.pack("<I", 4) + bytes([1]) + struct.pack("<I", 6)
    assert delta[-6] & 0x3F == 3
    with pytest.raises(ValueError, match="first use"):
        encode_mesh(TETRA_V, [[1, 0, 2]])


@pytest.mark.parametrize(
    "kwargs",
    [
        dict(partitions=[2, 1]),
        dict(partitions=[4, 0]),
        dict(point_widths=(54, 1, 1)),
        dict(anchor_widths=(1, 2)),
        dict(rotations=[None, None]),
        dict(index_coding="other"),
        dict(index_coding="fixed", index_width=1),
        dict(metadata={"k": 1.5}),
    ],
)
def test_bad_arguments(kwargs):
    with pytest.raises((ValueError, TypeError)):
        encode_mesh(TETRA_V, TETRA_F, **kwargs)


def test_unreachable_tolerance():
    v = np.array([[0.0, 0.0, 0.0], [1e300, 0.0, 0.0]])
    with pytest.raises(
        ToleranceNotRepresentable, match=r"cannot guarantee a tolerance of 0\.001 over a range of"
    ):
        encode_mesh(v, [[0, 1, 1]], tolerance=0.001)
