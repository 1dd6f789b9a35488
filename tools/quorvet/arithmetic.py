"""The decoder's arithmetic, mirrored bit for bit: the point and corner rules
of the quantiser and the rotation code. Python floats and NumPy float64
operations round exactly like the decoder's doubles, so predictions made here
equal what the decoder returns."""

import math

import numpy as np

MAX_QUANTIZER_BITS = 53
ROTATION_CODE_BITS = 38
COMPONENT_SCALE = 0.7071067811865476  # the double nearest 1/sqrt(2)


def code_max(bits: int) -> int:
    return 0 if bits == 0 else (1 << bits) - 1


def point_values(lo: float, rng: float, bits: int, codes) -> np.ndarray:
    """Point rule over an array of codes: range * (code / max) + lo."""
    codes = np.asarray(codes, dtype=np.uint64)
    if bits == 0 or rng == 0.0:
        return np.full(codes.shape, lo, dtype=np.float64)
    t = codes.astype(np.float64) / float(code_max(bits))
    u = rng * t
    return u + lo


def corner_value(lo: float, hi: float, bits: int, code: int) -> float:
    """Corner rule; ``hi`` is the bound the range was formed from."""
    rng = hi - lo
    if code == 0:
        return lo
    if code == code_max(bits):
        return hi
    if bits == 0 or rng == 0.0:
        return lo
    t = float(code) / float(code_max(bits))
    return t * rng + lo


def decode_rotation(code: int) -> np.ndarray:
    """The 3x3 rotation of a 38-bit code."""
    omitted = code & 3
    q = [0.0, 0.0, 0.0, 0.0]
    field = 0
    for i in range(4):
        if i == omitted:
            continue
        u = (code >> (2 + 12 * field)) & 0xFFF
        q[i] = (float(u - 2047) / 2047.0) * COMPONENT_SCALE
        field += 1
    s = ((q[0] * q[0] + q[1] * q[1]) + q[2] * q[2]) + q[3] * q[3]
    q[omitted] = math.sqrt(max(1.0 - s, 0.0))
    n = q[3] * q[3] + (q[2] * q[2] + (q[0] * q[0] + q[1] * q[1]))
    if n != 0.0:
        norm = math.sqrt(n)
        q = [c / norm for c in q]
    else:
        q = [0.0, 0.0, 0.0, 1.0]
    x, y, z, w = q
    return np.array(
        [
            [1.0 - 2.0 * (y * y + z * z), 2.0 * (x * y - z * w), 2.0 * (x * z + y * w)],
            [2.0 * (x * y + z * w), 1.0 - 2.0 * (x * x + z * z), 2.0 * (y * z - x * w)],
            [2.0 * (x * z - y * w), 2.0 * (y * z + x * w), 1.0 - 2.0 * (x * x + y * y)],
        ]
    )


def rotation_code(quaternion) -> int:
    """Smallest-three code of a quaternion (x, y, z, w); it need not be unit."""
    q = np.asarray(quaternion, dtype=np.float64)
    if q.shape != (4,) or not np.all(np.isfinite(q)) or not np.any(q):
        raise ValueError("a rotation needs four finite components, not all zero")
    q = q / np.linalg.norm(q)
    omitted = int(np.argmax(np.abs(q)))
    if q[omitted] < 0:
        q = -q  # q and -q are the same rotation; the rebuilt component is never negative
    code = omitted
    field = 0
    for i in range(4):
        if i == omitted:
            continue
        u = int(round(q[i] / COMPONENT_SCALE * 2047.0)) + 2047  # noqa: RUF046 - q[i] is a NumPy scalar
        code |= min(max(u, 0), 4095) << (2 + 12 * field)
        field += 1
    return code


def rotate(r: np.ndarray, points: np.ndarray, centre) -> np.ndarray:
    """R p + c for each row p, summed in the decoder's order."""
    out = np.empty_like(points)
    for i in range(3):
        out[:, i] = ((r[i, 0] * points[:, 0] + r[i, 1] * points[:, 1]) + r[i, 2] * points[:, 2]) + centre[i]
    return out
