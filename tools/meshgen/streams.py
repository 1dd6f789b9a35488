"""Writes the meshes as embedded streams with the ``tools.quorvet`` encoder.

Stream layout choices: one partition per run of a vertex group in first-use order
(a cap, a wall section, a torus ...), at most 1024 points each, so that planar caps
get width 0 on their normal axis; anchor widths give a corner step of at most
0.01 mm, clamped to 14..17 bits; faces Delta-coded; no name, metadata or attributes.
"""

import itertools
import math
import pathlib

import numpy as np

from tools.quorvet import encode_mesh_detailed

from .plans import FLANGE_FACE_VERTICES
from .streamcheck import stream_problems

MAX_PARTITION_POINTS = 1024
ANCHOR_STEP = 0.01  # mm
TOLERANCE = 0.005  # mm, largest coordinate error of a decoded point


def anchor_widths(vertices):
    extent = vertices.max(axis=0) - vertices.min(axis=0)
    return tuple(min(max(math.ceil(math.log2(float(e) / ANCHOR_STEP + 1.0)), 14), 17) for e in extent)


def partition_runs(mesh, singles=()):
    """Run lengths: maximal runs of one group, split evenly above the size limit.

    Vertices listed in ``singles`` get a partition of their own.
    """
    cuts = np.nonzero(np.diff(mesh.vertex_group))[0] + 1
    bounds = [0, *cuts.tolist(), len(mesh.vertices)]
    for s in singles:
        bounds += [s, s + 1]
    bounds = sorted(set(bounds))
    sizes = []
    for start, end in itertools.pairwise(bounds):
        pieces = -(-(end - start) // MAX_PARTITION_POINTS)
        for k in range(pieces):
            sizes.append((end - start) * (k + 1) // pieces - (end - start) * k // pieces)
    return sizes


def encode(mesh):
    """The stream of one mesh, its decoded vertices and partition sizes.

    The point rule can land a partition's largest point one ulp short of the box; a
    vertex that then misses the anchor bound is moved into a one-point partition,
    whose corner rule returns the bound itself.
    """
    v = mesh.vertices
    lo, hi = v.min(axis=0), v.max(axis=0)
    widths = anchor_widths(v)
    singles = set()
    while True:
        enc = encode_mesh_detailed(
            v,
            mesh.faces,
            partitions=partition_runs(mesh, sorted(singles)),
            anchor_widths=widths,
            index_coding="delta",
            tolerance=TOLERANCE,
        )
        d = enc.decoded_vertices
        short = set()
        for a in range(3):
            if d[:, a].min() != lo[a]:
                short.add(int(np.nonzero(v[:, a] == lo[a])[0][0]))
            if d[:, a].max() != hi[a]:
                short.add(int(np.nonzero(v[:, a] == hi[a])[0][0]))
        if not short - singles:
            if short:
                raise RuntimeError("anchor bounds unreachable")
            return enc
        singles |= short


def stream_name(model_name, index):
    return f"{model_name}_{index}.qrv"


def write_streams(dims, meshes, out):
    out = pathlib.Path(out)
    out.mkdir(parents=True, exist_ok=True)
    written = []
    for i, mesh in enumerate(meshes):
        data = encode(mesh).data
        problems = stream_problems(data, mesh, FLANGE_FACE_VERTICES[dims.name] if i == 6 else None)
        if problems:
            raise RuntimeError(f"{stream_name(dims.name, i)}: " + "; ".join(problems))
        path = out / stream_name(dims.name, i)
        path.write_bytes(data)
        written.append((path, len(data)))
    return written
