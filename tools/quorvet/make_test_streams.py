"""Writes encoder-made streams with their expected decodings for the
decoder's round-trip tests (codec/tests/data).

Each case is ``<name>.qrvt`` plus ``<name>.expect``, little-endian:
"QEXP", u32 V, u32 F, f64 tolerance, V*3 f64 expected decoded vertices
(bit-exact), V*3 f64 source vertices, F*3 u32 faces, u8 has-name,
u32 name length + bytes, u32 metadata entry count.

Run: python3 tools/quorvet/make_test_streams.py [output-dir]
"""

import pathlib
import struct
import sys

import numpy as np

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))

from quorvet import Number64A, Number64B, encode_mesh_detailed, rotation_code
from quorvet.shapes import box, cloud, sphere, torus


def _quaternions(count: int, seed: int):
    rng = np.random.default_rng(seed)
    return [tuple(q) for q in rng.normal(size=(count, 4))]


def cases():
    tetra_v = np.array([[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]], dtype=np.float64)
    tetra_f = np.array([[0, 1, 2], [0, 2, 3], [3, 1, 0], [1, 3, 2]])
    yield "tetrahedron", tetra_v, tetra_f, {}

    v, f = sphere(50.0, 24, 32)
    yield "sphere", v, f, {"max_partition_points": 100}

    v, f = torus(120.0, 30.0, 40, 16)
    sizes = [160] * 4
    yield "torus_rotated", v, f, {"partitions": sizes, "rotations": _quaternions(4, 7), "tolerance": 0.001}

    yield (
        "torus_mixed_rotation",
        v,
        f,
        {
            "partitions": [1, 99, 200, 340],
            "rotations": [None, rotation_code((0, 0, 0, 1)), _quaternions(1, 3)[0], None],
            "index_coding": "fixed",
        },
    )

    v, f = box((300.0, 200.0, 0.5))
    yield (
        "box_planar_named",
        v,
        f,
        {
            "partitions": [4] * 6,
            "name": "base plate \u00e9",
            "metadata": {
                "zeta": True,
                "source": "tools",
                "blob": b"\x00\x01",
                "a": Number64A.from_float(2.5),
                "b": Number64B(7),
            },
            "file_metadata": {"generator": "make_test_streams"},
        },
    )

    v, f = cloud(700, 1000.0, 11)
    yield "cloud_fixed", v, f, {"partitions": [1, 7, 500, 192], "index_coding": "fixed", "tolerance": 0.01}

    v, f = cloud(300, 1e-3, 5)
    yield (
        "cloud_offset_far",
        v + np.array([1e6, -2e6, 5e5]),
        f,
        {"tolerance": 1e-7, "max_partition_points": 64},
    )

    same = np.tile([[3.25, -1.5, 7.0]], (5, 1))
    yield "all_points_equal", same, np.array([[0, 1, 2], [1, 3, 4], [4, 2, 0]]), {}

    yield "single_vertex", np.array([[1.0, 2.0, 3.0]]), np.array([[0, 0, 0]]), {"index_coding": "fixed"}

    v, _ = cloud(50, 10.0, 2)
    yield "vertices_only", v, np.zeros((0, 3), dtype=np.int64), {}

    yield "empty", np.zeros((0, 3)), np.zeros((0, 3), dtype=np.int64), {}

    v, f = sphere(5.0, 10, 12)
    yield (
        "explicit_widths",
        v,
        f,
        {
            "partitions": [60, 60],
            "anchor_widths": (53, 0, 12),
            "point_widths": [(53, 40, 0), None],
            "rotations": [None, (0.1, 0.2, 0.3, 0.9)],
        },
    )


def write_case(out: pathlib.Path, name, vertices, faces, options):
    encoded = encode_mesh_detailed(vertices, faces, **options)
    tol = options.get("tolerance", 0.005)
    src = np.asarray(vertices, dtype=np.float64).reshape(-1, 3)
    f = np.asarray(faces, dtype=np.uint32).reshape(-1, 3)
    if "point_widths" not in options:
        assert np.max(np.abs(encoded.decoded_vertices - src), initial=0.0) <= tol, name
    (out / f"{name}.qrvt").write_bytes(encoded.data)
    expect = bytearray(b"QEXP")
    expect += struct.pack("<IId", len(src), len(f), tol if "point_widths" not in options else float("inf"))
    expect += encoded.decoded_vertices.astype("<f8").tobytes()
    expect += src.astype("<f8").tobytes()
    expect += f.astype("<u4").tobytes()
    item_name = options.get("name")
    encoded_name = item_name.encode("utf-8") if item_name is not None else b""
    expect += struct.pack("<BI", item_name is not None, len(encoded_name)) + encoded_name
    expect += struct.pack("<I", len(options.get("metadata", {})))
    (out / f"{name}.expect").write_bytes(bytes(expect))
    return len(encoded.data)


def main():
    default = pathlib.Path(__file__).resolve().parents[2] / "codec" / "tests" / "data"
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else default
    out.mkdir(parents=True, exist_ok=True)
    for name, v, f, options in cases():
        size = write_case(out, name, v, f, options)
        print(f"{name}: {len(v)} vertices, {len(f)} faces, {size} bytes")


if __name__ == "__main__":
    main()
