"""Deterministic test meshes: vertices numbered in order of first use."""

import numpy as np

from .encoder import first_use_order


def _grid_faces(rows: int, cols: int, wrap_cols: bool, wrap_rows: bool) -> np.ndarray:
    faces = []
    for i in range(rows if wrap_rows else rows - 1):
        for j in range(cols if wrap_cols else cols - 1):
            a = i * cols + j
            b = i * cols + (j + 1) % cols
            c = ((i + 1) % rows) * cols + j
            d = ((i + 1) % rows) * cols + (j + 1) % cols
            faces += [(a, b, d), (a, d, c)]
    return np.array(faces, dtype=np.int64)


def torus(major: float, minor: float, rings: int, segments: int):
    u = np.linspace(0, 2 * np.pi, rings, endpoint=False)
    w = np.linspace(0, 2 * np.pi, segments, endpoint=False)
    uu, ww = np.meshgrid(u, w, indexing="ij")
    x = (major + minor * np.cos(ww)) * np.cos(uu)
    y = (major + minor * np.cos(ww)) * np.sin(uu)
    z = minor * np.sin(ww)
    v = np.stack([x.ravel(), y.ravel(), z.ravel()], axis=1)
    return first_use_order(v, _grid_faces(rings, segments, True, True))[:2]


def sphere(radius: float, rings: int, segments: int):
    theta = np.linspace(0, np.pi, rings)
    phi = np.linspace(0, 2 * np.pi, segments, endpoint=False)
    tt, pp = np.meshgrid(theta, phi, indexing="ij")
    v = np.stack(
        [
            (radius * np.sin(tt) * np.cos(pp)).ravel(),
            (radius * np.sin(tt) * np.sin(pp)).ravel(),
            (radius * np.cos(tt)).ravel(),
        ],
        axis=1,
    )
    return first_use_order(v, _grid_faces(rings, segments, True, False))[:2]


def box(size) -> tuple:
    sx, sy, sz = size
    corners = np.array([[x, y, z] for z in (0, sz) for y in (0, sy) for x in (0, sx)], dtype=np.float64)
    quads = [(0, 2, 3, 1), (4, 5, 7, 6), (0, 1, 5, 4), (2, 6, 7, 3), (0, 4, 6, 2), (1, 3, 7, 5)]
    # One vertex set per face, so that each face is a planar run of its own.
    v, f = [], []
    for q in quads:
        base = len(v)
        v += [corners[k] for k in q]
        f += [(base, base + 1, base + 2), (base, base + 2, base + 3)]
    return np.array(v), np.array(f, dtype=np.int64)


def cloud(n: int, scale: float, seed: int):
    rng = np.random.default_rng(seed)
    v = rng.normal(size=(n, 3)) * scale
    f = rng.integers(0, n, size=(2 * n, 3))
    return first_use_order(v, f)[:2]
