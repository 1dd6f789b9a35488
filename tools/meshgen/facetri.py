"""Ear clipping of a polygon with holes, holes bridged in, no Steiner points.

A polygon of N boundary vertices and h holes always gives N + 2h - 2 triangles.
Used for the flange's mating face, whose holes are the rims of the bolt, pin and
centring holes.
"""

import numpy as np


def _cross(o, a, b):
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0])


def _segments_touch(p, q, r, s, eps=1e-9):
    """True if closed segments pq and rs share a point."""
    d1, d2 = _cross(r, s, p), _cross(r, s, q)
    d3, d4 = _cross(p, q, r), _cross(p, q, s)
    if ((d1 > eps and d2 < -eps) or (d1 < -eps and d2 > eps)) and (
        (d3 > eps and d4 < -eps) or (d3 < -eps and d4 > eps)
    ):
        return True

    def on(a, b, c):
        return (
            abs(_cross(a, b, c)) <= eps
            and min(a[0], b[0]) - eps <= c[0] <= max(a[0], b[0]) + eps
            and min(a[1], b[1]) - eps <= c[1] <= max(a[1], b[1]) + eps
        )

    return on(p, q, r) or on(p, q, s) or on(r, s, p) or on(r, s, q)


def _in_wedge(prev, at, nxt, target):
    """Is direction at->target strictly inside the interior angle at ``at`` of a CCW polygon?"""
    if _cross(prev, at, nxt) > 0:  # convex corner
        return _cross(at, nxt, target) > 0 and _cross(prev, at, target) > 0
    return not (_cross(at, nxt, target) <= 0 and _cross(prev, at, target) <= 0)


def _bridge(poly, pos, hole, others):
    """Splice ``hole`` (clockwise) into ``poly`` (counter-clockwise) through its rightmost vertex."""
    m = max(range(len(hole)), key=lambda i: (pos[hole[i]][0], -pos[hole[i]][1]))
    mp = pos[hole[m]]
    edges = [(poly[i], poly[(i + 1) % len(poly)]) for i in range(len(poly))]
    for ring in [hole] + others:
        edges += [(ring[i], ring[(i + 1) % len(ring)]) for i in range(len(ring))]
    best = None
    for k, vid in enumerate(poly):
        p = pos[vid]
        if not _in_wedge(pos[poly[k - 1]], p, pos[poly[(k + 1) % len(poly)]], mp):
            continue
        blocked = False
        for e0, e1 in edges:
            if vid in (e0, e1) or hole[m] in (e0, e1):
                continue
            if _segments_touch(p, mp, pos[e0], pos[e1]):
                blocked = True
                break
        if blocked:
            continue
        d = (p[0] - mp[0]) ** 2 + (p[1] - mp[1]) ** 2
        if best is None or d < best[0]:
            best = (d, k)
    if best is None:
        raise ValueError("no visible vertex to bridge a hole")
    k = best[1]
    loop = hole[m:] + hole[:m] + [hole[m]]
    return poly[: k + 1] + loop + [poly[k]] + poly[k + 1 :]


def _min_angle(a, b, c):
    angles = []
    for p, q, r in ((a, b, c), (b, c, a), (c, a, b)):
        u = np.subtract(q, p)
        v = np.subtract(r, p)
        cosine = float(u @ v) / (np.hypot(*u) * np.hypot(*v))
        angles.append(np.arccos(np.clip(cosine, -1.0, 1.0)))
    return min(angles)


def triangulate_with_holes(pos, outer, holes):
    """Triangles (vertex ids, counter-clockwise) covering ``outer`` minus ``holes``.

    ``pos`` maps a vertex id to (x, y); ``outer`` is counter-clockwise, each hole
    clockwise. Each step clips the ear with the largest smallest angle.
    """
    poly = list(outer)
    pending = sorted((list(h) for h in holes), key=lambda h: -max(pos[v][0] for v in h))
    while pending:
        hole = pending.pop(0)
        poly = _bridge(poly, pos, hole, pending)
    tris = []
    while len(poly) > 3:
        best = None
        for i in range(len(poly)):
            a, v, c = poly[i - 1], poly[i], poly[(i + 1) % len(poly)]
            pa, pv, pc = pos[a], pos[v], pos[c]
            if _cross(pa, pv, pc) <= 1e-12:
                continue
            inside = False
            for w in poly:
                if w in (a, v, c):
                    continue
                pw = pos[w]
                if (
                    _cross(pa, pv, pw) >= -1e-12
                    and _cross(pv, pc, pw) >= -1e-12
                    and _cross(pc, pa, pw) >= -1e-12
                ):
                    inside = True
                    break
            if inside:
                continue
            score = _min_angle(pa, pv, pc)
            if best is None or score > best[0] + 1e-12:
                best = (score, i)
        if best is None:
            raise ValueError("ear clipping found no ear")
        i = best[1]
        tris.append((poly[i - 1], poly[i], poly[(i + 1) % len(poly)]))
        del poly[i]
    tris.append(tuple(poly))
    return tris
