"""Writes a large encoder-made mesh stream for the decode benchmark: a torus
of ROWS x COLS vertices (default 1000 x 1000), partitions of 1024 points,
0.005 mm tolerance, delta indices.

Run: python3 bench/codec/make_stream.py OUTPUT [ROWS COLS]
"""

import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))

from quorvet import encode_mesh
from quorvet.shapes import torus


def main():
    out = pathlib.Path(sys.argv[1])
    rows, cols = (int(sys.argv[2]), int(sys.argv[3])) if len(sys.argv) > 3 else (1000, 1000)
    v, f = torus(400.0, 120.0, rows, cols)
    data = encode_mesh(v, f)
    out.write_bytes(data)
    print(f"{out}: {len(v)} vertices, {len(f)} faces, {len(data)} bytes")


if __name__ == "__main__":
    main()
