"""An independent reader of our own streams, strict about the layout we promise.

It walks every byte (header, point block, index block), decodes points with the
decoder's corner and point rules and faces from their deltas, and reports the
layout facts: partitions, widths, transform kinds, index coding, bytes left over.
"""

import struct
from dataclasses import dataclass

import numpy as np

HEADER = b"QRVT" + bytes([2, 1, 0, 0]) + struct.pack("<I", 1) + bytes([0, 0])


@dataclass
class StreamLayout:
    anchor_lo: np.ndarray
    anchor_hi: np.ndarray
    anchor_widths: tuple
    partitions: list  # (point count, transform kind, point widths, box lo, box hi)
    index_coding: int
    trailing_bytes: int


class _Bits:
    def __init__(self, payload):
        self.value = int.from_bytes(payload, "little")
        self.pos = 0
        self.size = 8 * len(payload)

    def read(self, width):
        if self.pos + width > self.size:
            raise ValueError("payload runs out of bits")
        out = (self.value >> self.pos) & ((1 << width) - 1)
        self.pos += width
        return out

    def exact(self):
        return (self.pos + 7) // 8 == self.size // 8


def _point(lo, rng, bits, code):
    if bits == 0 or rng == 0.0:
        return lo
    return rng * (float(code) / float((1 << bits) - 1)) + lo


def _corner(lo, hi, bits, code):
    m = (1 << bits) - 1 if bits else 0
    if code == 0:
        return lo
    if code == m:
        return hi
    rng = hi - lo
    if bits == 0 or rng == 0.0:
        return lo
    return (float(code) / float(m)) * rng + lo


def read_stream(data):
    """(vertices, faces, layout) of one of our streams; raises ValueError on any deviation."""
    if data[: len(HEADER)] != HEADER:
        raise ValueError("header is not version 2, one mesh item, no metadata, no attributes")
    pos = len(HEADER)
    if data[pos] != 3:
        raise ValueError("point block dimension is not 3")
    (count,) = struct.unpack_from("<I", data, pos + 1)
    box = np.array(struct.unpack_from("<6d", data, pos + 5))
    lo, hi = box[:3], box[3:]
    anchor = tuple(data[pos + 53 : pos + 56])
    pos += 56
    points, partitions = [], []
    for _ in range(count):
        n, kind = struct.unpack_from("<IB", data, pos)
        widths = tuple(data[pos + 5 : pos + 8])
        pos += 8
        nbits = 2 * sum(anchor) + 38 * kind + n * sum(widths)
        payload = data[pos : pos + (nbits + 7) // 8]
        if len(payload) * 8 < nbits:
            raise ValueError("partition payload is short")
        pos += len(payload)
        if kind != 0:
            raise ValueError("a partition is transformed")
        bits = _Bits(payload)
        lo_codes = [bits.read(anchor[a]) for a in range(3)]
        hi_codes = [bits.read(anchor[a]) for a in range(3)]
        blo = [_corner(lo[a], hi[a], anchor[a], lo_codes[a]) if anchor[a] else lo[a] for a in range(3)]
        bhi = [_corner(lo[a], hi[a], anchor[a], hi_codes[a]) if anchor[a] else hi[a] for a in range(3)]
        for _ in range(n):
            points.append(
                [_point(blo[a], bhi[a] - blo[a], widths[a], bits.read(widths[a])) for a in range(3)]
            )
        if not bits.exact():
            raise ValueError("partition payload longer than its points")
        partitions.append((n, kind, widths, np.array(blo), np.array(bhi)))
    if data[pos] != 3:
        raise ValueError("index block arity is not 3")
    (faces_n,) = struct.unpack_from("<I", data, pos + 1)
    coding = data[pos + 5]
    if coding != 1:
        raise ValueError("faces are not Delta-coded")
    (length,) = struct.unpack_from("<I", data, pos + 6)
    pos += 10
    bits = _Bits(data[pos : pos + length])
    pos += length
    deltas = []
    while len(deltas) < 3 * faces_n:
        g = bits.read(6)
        deltas += [bits.read(g) for _ in range(min(64, 3 * faces_n - len(deltas)))]
    if not bits.exact():
        raise ValueError("delta payload longer than its deltas")
    indices, mark = [], 0
    for d in deltas:
        if d > mark:
            raise ValueError("delta reaches back past the high water mark")
        indices.append(mark - d)
        if d == 0:
            mark += 1
    if mark != len(points):
        raise ValueError("the high water mark does not end at the vertex count")
    layout = StreamLayout(lo, hi, anchor, partitions, coding, len(data) - pos)
    return np.array(points), np.array(indices, dtype=np.uint32).reshape(-1, 3), layout


def stream_problems(data, mesh, flange_face_vertices=None):
    """Everything a caller can see of a stream, checked against its source mesh."""
    try:
        v, f, lay = read_stream(data)
    except (ValueError, IndexError, struct.error) as exc:
        return [f"unreadable: {exc}"]
    problems = []
    if lay.trailing_bytes:
        problems.append(f"{lay.trailing_bytes} bytes follow the index block")
    if v.shape != mesh.vertices.shape or not np.array_equal(f, mesh.faces):
        return problems + ["decoded counts or faces differ from the source"]
    err = np.abs(v - mesh.vertices).max()
    if err > 0.01:
        problems.append(f"decoded vertices are {err:.4g} mm off")
    if not all(14 <= w <= 17 for w in lay.anchor_widths):
        problems.append(f"anchor widths {lay.anchor_widths}")
    step = (lay.anchor_hi - lay.anchor_lo) / (2.0 ** np.array(lay.anchor_widths) - 1.0)
    point_steps = [
        (hi - lo)[a] / ((1 << w[a]) - 1) for n, _, w, lo, hi in lay.partitions for a in range(3) if w[a]
    ]
    if step.max() >= 0.05 or (point_steps and max(point_steps) >= 0.05):
        problems.append("quantisation step of 0.05 mm or more")
    if not (np.array_equal(v.min(axis=0), lay.anchor_lo) and np.array_equal(v.max(axis=0), lay.anchor_hi)):
        problems.append("decoded points do not reach the anchor box")
    if any(n > 1100 for n, *_ in lay.partitions):
        problems.append("a partition holds more than about 1024 points")
    # every cap group must sit in partitions that are flat on one axis
    start = 0
    for n, _, widths, blo, bhi in lay.partitions:
        groups = set(mesh.vertex_group[start : start + n].tolist())
        flat = any(widths[a] == 0 and blo[a] == bhi[a] for a in range(3))
        if any(mesh.groups[g].cap for g in groups) and not flat:
            problems.append(f"cap partition at {start} is not flat")
        start += n

    # quantisation must not flip or collapse a triangle
    def normals(p):
        t = p[f.astype(np.int64)]
        return np.cross(t[:, 1] - t[:, 0], t[:, 2] - t[:, 0])

    n0, n1 = normals(mesh.vertices), normals(v)
    cos = np.einsum("ij,ij->i", n0, n1) / (np.linalg.norm(n0, axis=1) * np.linalg.norm(n1, axis=1))
    if cos.min() < 0.9:
        problems.append(
            f"quantisation turns a triangle by up to {np.degrees(np.arccos(cos.min())):.1f} degrees"
        )
    if flange_face_vertices is not None:
        z = v[:, 2]
        if z.max() != 0.0 or np.count_nonzero(z == 0.0) != flange_face_vertices:
            problems.append(f"decoded flange: max z {z.max()!r}, {np.count_nonzero(z == 0.0)} on z = 0")
    return problems
