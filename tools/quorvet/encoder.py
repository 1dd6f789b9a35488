"""Writer of ``quorvet`` mesh streams (format version 2).

The system itself only decodes; this encoder serves the tests, the fuzzer's
seed corpus and the tools that produce the embedded link meshes.

Main entry points::

    encode_mesh(vertices, faces, **options) -> bytes
    encode_mesh_detailed(vertices, faces, **options) -> EncodedMesh

Output is a pure function of the arguments (no randomness, no clock).
"""

from __future__ import annotations

import math
import struct
from collections.abc import Mapping, Sequence
from dataclasses import dataclass

import numpy as np

from .arithmetic import (
    MAX_QUANTIZER_BITS,
    ROTATION_CODE_BITS,
    code_max,
    corner_value,
    decode_rotation,
    point_values,
    rotate,
    rotation_code,
)
from .bitpack import pack_fields

MAGIC = b"QRVT"
FORMAT_VERSION = 2
KIND_MESH_BYTE = 1
MAX_KEY_LENGTH = 65536
MAX_NAME_LENGTH = 65536
MAX_VALUE_LENGTH = 16777216
DELTA_GROUP_SIZE = 64


@dataclass(frozen=True)
class Number64A:
    """Metadata value type 2: eight bytes stored as given (``bits`` is a u64)."""

    bits: int

    @classmethod
    def from_float(cls, value: float) -> Number64A:
        return cls(struct.unpack("<Q", struct.pack("<d", value))[0])


@dataclass(frozen=True)
class Number64B:
    """Metadata value type 3: eight bytes stored as given (``bits`` is a u64)."""

    bits: int

    @classmethod
    def from_float(cls, value: float) -> Number64B:
        return cls(struct.unpack("<Q", struct.pack("<d", value))[0])


@dataclass(frozen=True)
class EncodedMesh:
    data: bytes  # the stream
    decoded_vertices: np.ndarray  # (n, 3) float64: exactly what the decoder returns
    partition_sizes: tuple[int, ...]


class ToleranceNotRepresentable(ValueError):
    """A tolerance that no width of at most 53 bits can guarantee over a range."""

    def __init__(self, rng: float, tol: float):
        super().__init__(
            f"cannot guarantee a tolerance of {_shortest(tol)} over a range of {_shortest(rng)}: "
            "the ratio exceeds what an f64 can represent exactly"
        )
        self.range = rng
        self.tol = tol


def encode_mesh(vertices, faces, **options) -> bytes:
    """Encode a triangle mesh as a complete stream; see ``encode_mesh_detailed``."""
    return encode_mesh_detailed(vertices, faces, **options).data


def encode_mesh_detailed(
    vertices,
    faces,
    *,
    partitions: Sequence[int] | None = None,
    max_partition_points: int = 1024,
    anchor_widths: Sequence[int] | None = None,
    point_widths=None,
    rotations: Sequence | None = None,
    index_coding: str = "delta",
    index_width: int | None = None,
    tolerance: float = 0.005,
    name: str | None = None,
    metadata: Mapping | None = None,
    file_metadata: Mapping | None = None,
) -> EncodedMesh:
    """Encode a mesh and report what the decoder will return.

    vertices: (n, 3) float64, finite. faces: (m, 3) integer indices below n.
    partitions: run lengths (each >= 1, summing to n) of consecutive vertices;
        default: runs of ``max_partition_points``.
    anchor_widths: three widths 0..53 of the partition box corners; default:
        the smallest giving corner steps of at most ``tolerance``.
    point_widths: None (chosen per partition so that every decoded coordinate
        lies within ``tolerance`` of its source; an axis on which the run is
        planar gets width 0 and a corner placed on the plane as closely as the
        anchor step allows), one triple for every partition, or one entry per
        partition, each a triple or None. Explicit widths carry no guarantee.
    rotations: None, or one entry per partition: None (stored as is), a
        38-bit rotation code (int) or a quaternion (x, y, z, w). A rotated
        partition stores its points in the rotated frame about the anchor
        box's centre.
    index_coding: "delta" (vertices must be numbered in order of first use by
        the faces, see ``first_use_order``) or "fixed".
    index_width: width of "fixed" indices, 0..32; default: just enough.
    name: the item's name (UTF-8, at most 65,536 bytes).
    metadata, file_metadata: str keys mapped to bool, str, bytes, Number64A
        or Number64B; written in the mapping's order.
    """
    v = np.asarray(vertices, dtype=np.float64)
    if v.ndim != 2 or v.shape[1] != 3:
        raise ValueError("vertices must have shape (n, 3)")
    if not np.all(np.isfinite(v)):
        raise ValueError("vertices must be finite")
    f = np.asarray(faces)
    if f.size == 0:
        f = np.zeros((0, 3), dtype=np.int64)
    if f.ndim != 2 or f.shape[1] != 3:
        raise ValueError("faces must have shape (m, 3)")
    if f.size and (f.min() < 0 or f.max() >= len(v)):
        raise ValueError("a face refers to a vertex that does not exist")
    f = f.astype(np.uint64)
    if len(v) >= 2**32 or len(f) >= 2**32:
        raise ValueError("too many vertices or faces for u32 counts")
    if not tolerance > 0:
        raise ValueError("tolerance must be positive")

    sizes = _partition_sizes(len(v), partitions, max_partition_points)
    per_part_widths = _per_partition(point_widths, len(sizes), "point_widths")
    per_part_rotation = _per_partition(rotations, len(sizes), "rotations")

    out = bytearray()
    out += MAGIC
    out += bytes([FORMAT_VERSION, KIND_MESH_BYTE, 0, 1 if file_metadata else 0])
    out += struct.pack("<I", 1)
    if file_metadata:
        out += _metadata_bytes(file_metadata)
    flags = (2 if name is not None else 0) | (4 if metadata else 0)
    out.append(flags)
    if metadata:
        out += _metadata_bytes(metadata)
    if name is not None:
        out += _sized(name.encode("utf-8"), MAX_NAME_LENGTH, "name")
    out.append(0)  # attribute blocks

    block, decoded = _point_block(v, sizes, anchor_widths, per_part_widths, per_part_rotation, tolerance)
    out += block
    out += _index_block(f, len(v), index_coding, index_width)
    return EncodedMesh(bytes(out), decoded, tuple(sizes))


def first_use_order(vertices, faces):
    """Renumber vertices in order of first use by the faces (corner by corner),
    unused vertices last in their old order. Returns (vertices, faces, order)
    where ``new_vertices = vertices[order]``."""
    v = np.asarray(vertices, dtype=np.float64)
    f = np.asarray(faces, dtype=np.int64).reshape(-1, 3)
    flat = f.ravel()
    _, first = np.unique(flat, return_index=True)
    used = flat[np.sort(first)]
    unused = np.setdiff1d(np.arange(len(v)), used, assume_unique=False)
    order = np.concatenate([used, unused]).astype(np.int64)
    new_index = np.empty(len(v), dtype=np.int64)
    new_index[order] = np.arange(len(v))
    return v[order], new_index[f].astype(np.uint32), order


# --- point block -----------------------------------------------------------


def _partition_sizes(n, partitions, max_points):
    if partitions is None:
        if max_points < 1:
            raise ValueError("max_partition_points must be at least 1")
        return [min(max_points, n - s) for s in range(0, n, max_points)]
    sizes = [int(s) for s in partitions]
    if any(s < 1 or s >= 2**32 for s in sizes) or sum(sizes) != n:
        raise ValueError("partitions must be positive run lengths summing to the vertex count")
    return sizes


def _per_partition(option, count, what):
    if option is None:
        return [None] * count
    if what == "point_widths" and len(option) == 3 and all(isinstance(w, (int, np.integer)) for w in option):
        return [tuple(int(w) for w in option)] * count
    if len(option) != count:
        raise ValueError(f"{what} needs one entry per partition")
    return list(option)


def _auto_width(rng: float, step: float) -> int:
    """Smallest width whose code spacing over ``rng`` is at most ``step``."""
    if rng == 0.0:
        return 0
    for w in range(1, MAX_QUANTIZER_BITS + 1):
        if rng / float(code_max(w)) <= step:
            return w
    raise ToleranceNotRepresentable(rng, step)


def _check_widths(widths, what):
    widths = tuple(int(w) for w in widths)
    if len(widths) != 3 or any(w < 0 or w > MAX_QUANTIZER_BITS for w in widths):
        raise ValueError(f"{what} must be three widths in 0..53")
    return widths


def _point_block(v, sizes, anchor_widths, per_part_widths, per_part_rotation, tol):
    out = bytearray([3])
    out += struct.pack("<I", len(sizes))
    decoded = np.empty_like(v)
    if not sizes:
        return out, decoded
    lo = v.min(axis=0)
    hi = v.max(axis=0)
    if anchor_widths is None:
        anchor = tuple(_auto_width(float(hi[a] - lo[a]), tol) for a in range(3))
    else:
        anchor = _check_widths(anchor_widths, "anchor_widths")
    out += struct.pack("<6d", *lo, *hi)
    out += bytes(anchor)
    start = 0
    for size, widths, rotation in zip(sizes, per_part_widths, per_part_rotation):
        run = v[start : start + size]
        part, decoded[start : start + size] = _partition(run, lo, hi, anchor, widths, rotation, tol)
        out += part
        start += size
    return out, decoded


def _fit_corner_codes(lo_b, hi_b, bits, vmin, vmax, planar):
    """Corner codes whose box contains [vmin, vmax] as tightly as the anchor
    step allows; for a planar run, equal codes nearest the plane."""
    m = code_max(bits)
    rng = hi_b - lo_b

    def corner(c):
        return corner_value(lo_b, hi_b, bits, c)

    def guess(x, rounding):
        if rng == 0.0:
            return 0
        return min(max(int(rounding((x - lo_b) / rng * m)), 0), m)

    if planar:
        c = guess(vmin, round)
        candidates = [k for k in (c - 1, c, c + 1) if 0 <= k <= m]
        best = min(candidates, key=lambda k: (abs(corner(k) - vmin), k))
        return best, best
    lo_c = guess(vmin, math.floor)
    while lo_c > 0 and corner(lo_c) > vmin:
        lo_c -= 1
    while lo_c < m and corner(lo_c + 1) <= vmin:
        lo_c += 1
    hi_c = max(guess(vmax, math.ceil), lo_c)
    while hi_c < m and corner(hi_c) < vmax:
        hi_c += 1
    while hi_c > lo_c and corner(hi_c - 1) >= vmax:
        hi_c -= 1
    return lo_c, hi_c


def _nearest_codes(values, lower, rng, bits):
    """Codes whose point-rule values lie nearest the given coordinates."""
    m = code_max(bits)
    if bits == 0 or rng == 0.0:
        return np.zeros(len(values), dtype=np.uint64)
    guess = np.clip(np.rint((values - lower) / rng * m), 0, m).astype(np.int64)
    best = guess.copy()
    best_err = np.abs(point_values(lower, rng, bits, guess.astype(np.uint64)) - values)
    for shift in (-1, 1):
        cand = np.clip(guess + shift, 0, m)
        err = np.abs(point_values(lower, rng, bits, cand.astype(np.uint64)) - values)
        better = err < best_err
        best[better] = cand[better]
        best_err[better] = err[better]
    return best.astype(np.uint64)


def _partition(run, lo, hi, anchor, widths, rotation, tol):
    rotated = rotation is not None
    if rotated:
        code = int(rotation) if isinstance(rotation, (int, np.integer)) else rotation_code(rotation)
        if not 0 <= code < 2**ROTATION_CODE_BITS:
            raise ValueError("a rotation code has 38 bits")
        r = decode_rotation(code)
        centre = np.array([(lo[a] + hi[a]) * 0.5 for a in range(3)])
        h = np.array([(hi[a] - lo[a]) * 0.5 for a in range(3)])
        e = np.array([(abs(r[0, j]) * h[0] + abs(r[1, j]) * h[1]) + abs(r[2, j]) * h[2] for j in range(3)])
        box_lo, box_hi = -e, e
        local = (run - centre) @ r  # R^T (p - c), row by row
    else:
        box_lo, box_hi = lo, hi
        local = run
    auto = widths is None
    widths = [0, 0, 0] if auto else list(_check_widths(widths, "point_widths"))

    codes_lo, codes_hi, lower, upper = [0, 0, 0], [0, 0, 0], [0.0] * 3, [0.0] * 3
    for a in range(3):
        vmin, vmax = float(local[:, a].min()), float(local[:, a].max())
        planar = auto and vmin == vmax
        if anchor[a] == 0:
            lower[a], upper[a] = float(box_lo[a]), float(box_hi[a])
            continue
        codes_lo[a], codes_hi[a] = _fit_corner_codes(
            float(box_lo[a]), float(box_hi[a]), anchor[a], vmin, vmax, planar
        )
        lower[a] = corner_value(float(box_lo[a]), float(box_hi[a]), anchor[a], codes_lo[a])
        upper[a] = corner_value(float(box_lo[a]), float(box_hi[a]), anchor[a], codes_hi[a])
        if auto and not planar:
            widths[a] = _auto_width(upper[a] - lower[a], 2.0 * tol)
        elif auto:
            widths[a] = 0
    if auto:
        for a in range(3):
            # Without corner codes the box is the whole corner box: width 0
            # only if every point sits on its lower bound.
            on_lower_bound = bool(np.all(local[:, a] == lower[a]))
            if anchor[a] == 0 and not on_lower_bound:
                widths[a] = _auto_width(upper[a] - lower[a], 2.0 * tol)

    while True:
        point_codes = [
            _nearest_codes(local[:, a], lower[a], upper[a] - lower[a], widths[a]) for a in range(3)
        ]
        local_decoded = np.stack(
            [point_values(lower[a], upper[a] - lower[a], widths[a], point_codes[a]) for a in range(3)], axis=1
        )
        decoded = rotate(r, local_decoded, centre) if rotated else local_decoded
        if not auto or np.max(np.abs(decoded - run), initial=0.0) <= tol:
            break
        # Rounding (or a rotation mixing the axes' errors) went past the
        # tolerance: one more bit on every axis that has a range.
        grown = [w + 1 if w and w < MAX_QUANTIZER_BITS else w for w in widths]
        if grown == widths:
            raise ToleranceNotRepresentable(float(np.max(np.array(upper) - np.array(lower))), tol)
        widths = grown

    header_values = [code] if rotated else []
    header_widths = [ROTATION_CODE_BITS] if rotated else []
    header_values += codes_lo + codes_hi
    header_widths += list(anchor) * 2
    point_fields = np.stack(point_codes, axis=1).ravel()
    point_field_widths = np.tile(np.array(widths, dtype=np.int64), len(run))
    payload = pack_fields(
        np.concatenate([np.array(header_values, dtype=np.uint64), point_fields]),
        np.concatenate([np.array(header_widths, dtype=np.int64), point_field_widths]),
    )
    head = struct.pack("<IB", len(run), 1 if rotated else 0) + bytes(widths)
    return head + payload, decoded


# --- index block -----------------------------------------------------------


def _index_block(f, vertex_count, coding, width):
    out = bytearray([3])
    out += struct.pack("<I", len(f))
    if len(f) == 0:
        return out
    flat = f.ravel()
    if coding == "fixed":
        if width is None:
            width = int(vertex_count - 1).bit_length() if vertex_count > 1 else 0
        if not 0 <= width <= 32 or (width < 64 and flat.max() >= (1 << width)):
            raise ValueError("index_width must be 0..32 and hold every index")
        out += bytes([0, width])
        out += pack_fields(flat, np.full(len(flat), width))
        return out
    if coding != "delta":
        raise ValueError('index_coding must be "delta" or "fixed"')
    signed = flat.astype(np.int64)
    prev_max = np.concatenate([[-1], np.maximum.accumulate(signed)[:-1]])
    mark = prev_max + 1
    if np.any(signed > mark):
        raise ValueError("delta coding needs vertices numbered in order of first use (see first_use_order)")
    deltas = (mark - signed).astype(np.uint64)
    values, widths = [], []
    for s in range(0, len(deltas), DELTA_GROUP_SIZE):
        group = deltas[s : s + DELTA_GROUP_SIZE]
        g = int(group.max()).bit_length()
        values.append(np.array([g], dtype=np.uint64))
        widths.append(np.array([6]))
        values.append(group)
        widths.append(np.full(len(group), g))
    payload = pack_fields(np.concatenate(values), np.concatenate(widths))
    out += bytes([1]) + struct.pack("<I", len(payload)) + payload
    return out


# --- metadata ----------------------------------------------------------------


def _sized(data: bytes, limit: int, what: str) -> bytes:
    if len(data) > limit:
        raise ValueError(f"{what} is longer than {limit} bytes")
    return struct.pack("<I", len(data)) + data


def _metadata_bytes(entries: Mapping) -> bytes:
    if len(entries) > 0xFFFF:
        raise ValueError("metadata holds at most 65,535 entries")
    out = bytearray(struct.pack("<H", len(entries)))
    for key, value in entries.items():
        out += _sized(str(key).encode("utf-8"), MAX_KEY_LENGTH, "a metadata key")
        if isinstance(value, bool):
            out += bytes([1, 1 if value else 0])
        elif isinstance(value, Number64A):
            out += bytes([2]) + struct.pack("<Q", value.bits)
        elif isinstance(value, Number64B):
            out += bytes([3]) + struct.pack("<Q", value.bits)
        elif isinstance(value, str):
            out += bytes([4]) + _sized(value.encode("utf-8"), MAX_VALUE_LENGTH, "a metadata text")
        elif isinstance(value, (bytes, bytearray)):
            out += bytes([5]) + _sized(bytes(value), MAX_VALUE_LENGTH, "a metadata byte string")
        else:
            raise TypeError(f"unsupported metadata value for {key!r}: {type(value).__name__}")
    return bytes(out)


def _shortest(x: float) -> str:
    text = repr(float(x))
    if "e" in text or "E" in text:
        text = np.format_float_positional(x, trim="-")
    return text[:-2] if text.endswith(".0") else text
