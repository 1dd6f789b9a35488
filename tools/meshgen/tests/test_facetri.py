import math

import numpy as np
import pytest

from tools.meshgen.facetri import triangulate_with_holes


def _ring(cx, cy, r, n, start, clockwise=False):
    pts = {}
    ids = []
    for j in range(n):
        t = 2 * math.pi * j / n * (-1 if clockwise else 1)
        pts[start + j] = (cx + r * math.cos(t), cy + r * math.sin(t))
        ids.append(start + j)
    return pts, ids


def _area(tri, pos):
    (ax, ay), (bx, by), (cx, cy) = (pos[v] for v in tri)
    return 0.5 * ((bx - ax) * (cy - ay) - (by - ay) * (cx - ax))


@pytest.mark.parametrize(
    "holes", [[], [(0, 0, 5, 8)], [(0, 0, 5, 7), (12, 0, 2, 5), (-12, 3, 2, 6), (0, 13, 2, 9)]]
)
def test_polygon_with_holes(holes):
    pos, outer = _ring(0, 0, 20, 24, 0)
    rims = []
    start = 100
    expected_area = 0.5 * 24 * 20 * 20 * math.sin(2 * math.pi / 24)
    for cx, cy, r, n in holes:
        p, ids = _ring(cx, cy, r, n, start, clockwise=True)
        pos.update(p)
        rims.append(ids)
        start += 100
        expected_area -= 0.5 * n * r * r * math.sin(2 * math.pi / n)
    tris = triangulate_with_holes(pos, outer, rims)
    n_rim = 24 + sum(h[3] for h in holes)
    assert len(tris) == n_rim + 2 * len(holes) - 2
    areas = np.array([_area(t, pos) for t in tris])
    assert (areas > 0).all()
    assert areas.sum() == pytest.approx(expected_area, rel=1e-12)
    # every boundary edge once in its own direction, every inner edge twice in opposite ones
    edges = [(t[i], t[(i + 1) % 3]) for t in tris for i in range(3)]
    assert len(set(edges)) == len(edges)
    boundary = [(r[i], r[(i + 1) % len(r)]) for r in [outer] + rims for i in range(len(r))]
    assert set(boundary) <= set(edges)
    inner = set(edges) - set(boundary)
    assert all((b, a) in inner for a, b in inner)
