"""Packs unsigned fields least significant bit first, back to back, as the
decoder's bit reader unpacks them."""

import numpy as np


def pack_fields(values, widths) -> bytes:
    """Pack ``values[i]`` in ``widths[i]`` bits (0 to 64) each; pad the last
    byte with zero bits. Values must fit their widths."""
    values = np.asarray(values, dtype=np.uint64).ravel()
    widths = np.asarray(widths, dtype=np.int64).ravel()
    if values.shape != widths.shape:
        raise ValueError("values and widths differ in length")
    if widths.size == 0:
        return b""
    if widths.min() < 0 or widths.max() > 64:
        raise ValueError("field widths must lie in 0..64")
    small = widths < 64
    limits = np.left_shift(np.uint64(1), widths[small].astype(np.uint64))
    if np.any(values[small] >= limits):
        raise ValueError("a value does not fit its field width")
    starts = np.cumsum(widths) - widths
    total = int(widths.sum())
    bits = np.zeros(total, dtype=np.uint8)
    for b in range(int(widths.max())):
        sel = widths > b
        bits[starts[sel] + b] = ((values[sel] >> np.uint64(b)) & np.uint64(1)).astype(np.uint8)
    return np.packbits(bits, bitorder="little").tobytes()
