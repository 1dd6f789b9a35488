"""Writes valid encoder-made streams as a seed corpus for the decoder's fuzz
target: every shape of the round-trip tests plus small variants that reach
each coding path (rotations, fixed and delta indices, names, metadata).

Run: python3 tools/quorvet/make_seed_corpus.py OUTPUT_DIR
"""

import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))

from quorvet import Number64A, encode_mesh
from quorvet.make_test_streams import cases
from quorvet.shapes import box, cloud, sphere, torus


def small_cases():
    v, f = sphere(2.0, 5, 6)
    yield "sphere_small_delta", v, f, {"max_partition_points": 8}
    yield "sphere_small_fixed", v, f, {"index_coding": "fixed", "max_partition_points": 8}
    yield "sphere_small_rotated", v, f, {"partitions": [10, 20], "rotations": [(0.3, -0.2, 0.1, 0.9), 5]}
    v, f = torus(3.0, 1.0, 5, 4)
    yield "torus_small", v, f, {"tolerance": 0.05, "name": "t", "metadata": {"k": Number64A(1), "b": False}}
    v, f = box((1.0, 2.0, 3.0))
    yield "box_small", v, f, {"partitions": [4] * 6, "file_metadata": {"x": b"\x01"}}
    v, f = cloud(20, 1.0, 1)
    yield "cloud_small", v, f, {"anchor_widths": (3, 0, 53), "point_widths": (1, 0, 20)}


def main():
    out = pathlib.Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    count = 0
    for source in (small_cases(), cases()):
        for name, v, f, options in source:
            (out / f"{name}.qrvt").write_bytes(encode_mesh(v, f, **options))
            count += 1
    print(f"{count} seed streams in {out}")


if __name__ == "__main__":
    main()
