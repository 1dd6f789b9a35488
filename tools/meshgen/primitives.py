"""Lathes, tori, covers and screw heads: the vocabulary every link mesh is made of.

Orientation convention: a lathe turns its profile (r, h) about axis ``a`` starting at
azimuth ``u``; with the frame (u, a x u, a) right-handed and the profile walked
counter-clockwise in the (r, h) half-plane, every triangle faces outward.
Angles use ``math`` rather than NumPy so that the points are bit-identical wherever
the generator runs.
"""

import math
from dataclasses import dataclass

import numpy as np

OPEN, FLAT, FAN, FLAT_S, FAN_S = "open", "flat", "fan", "flat_s", "fan_s"
CAPS = (OPEN, FLAT, FAN, FLAT_S, FAN_S)


@dataclass(frozen=True)
class Frame:
    """Axis a, azimuth origin u and v = a x u, all unit and axis-aligned here."""

    a: np.ndarray
    u: np.ndarray

    @property
    def v(self):
        return np.cross(self.a, self.u)


def frame(a, u):
    a = np.asarray(a, dtype=np.float64)
    u = np.asarray(u, dtype=np.float64)
    if abs(float(a @ u)) > 1e-12:
        raise ValueError("azimuth origin must be perpendicular to the axis")
    return Frame(a, u)


def ring_points(fr, centre, r, h, n, phase=0.0):
    """n points of radius r at height h, the first at azimuth ``phase`` from u."""
    centre = np.asarray(centre, dtype=np.float64)
    cos_sin = np.array(
        [(math.cos(phase + 2.0 * math.pi * j / n), math.sin(phase + 2.0 * math.pi * j / n)) for j in range(n)]
    )
    base = centre + h * fr.a
    return base + (r * cos_sin[:, :1]) * fr.u + (r * cos_sin[:, 1:]) * fr.v


def strip(ring0, ring1):
    """Triangles joining two rings; equal counts give 2n, different counts a zipper of n + m."""
    n, m = len(ring0), len(ring1)
    if n == m:
        j = np.arange(n)
        k = (j + 1) % n
        first = np.stack([ring0[j], ring0[k], ring1[k]], axis=1)
        second = np.stack([ring0[j], ring1[k], ring1[j]], axis=1)
        return np.stack([first, second], axis=1).reshape(-1, 3)
    # zipper: advance along whichever ring has the nearer next azimuth (exact rationals)
    tris = []
    i = k = 0
    while i < n or k < m:
        if k >= m or (i < n and (i + 1) * m <= (k + 1) * n):
            tris.append((ring0[i % n], ring0[(i + 1) % n], ring1[k % m]))
            i += 1
        else:
            tris.append((ring0[i % n], ring1[(k + 1) % m], ring1[k % m]))
            k += 1
    return np.array(tris, dtype=np.int64)


def flat_polygon(poly):
    """Triangulate a convex polygon (given in its outward counter-clockwise order) without a centre.

    Zig-zags between both ends so that no triangle becomes a long sliver.
    """
    lo, hi = 0, len(poly) - 1
    tris = []
    take_low = True
    while hi - lo >= 2:
        if take_low:
            tris.append((poly[lo], poly[lo + 1], poly[hi]))
            lo += 1
        else:
            tris.append((poly[lo], poly[hi - 1], poly[hi]))
            hi -= 1
        take_low = not take_low
    return np.array(tris, dtype=np.int64)


def fan_polygon(centre_index, poly):
    n = len(poly)
    return np.array([(centre_index, poly[j], poly[(j + 1) % n]) for j in range(n)], dtype=np.int64)


@dataclass
class Lathe:
    rings: list  # index arrays, one per profile point
    batches: list  # triangle arrays in their default emission order


def lathe(
    b, name, fr, centre, profile, counts, cap0=FLAT, cap1=FLAT, seams=(), phase=0.0, end_groups=(None, None)
):
    """Add a surface of revolution to builder ``b``.

    ``profile`` is a list of (r, h); ``counts`` one ring size or one per profile point.
    ``seams`` lists profile indices whose ring is duplicated (a hard edge: two patches).
    ``end_groups`` lets a caller put the first or last ring into a group of its own,
    for a cap it triangulates itself.
    Emission: cap0, the strips, then cap1 before the last strip, so that each planar cap
    is one contiguous run in first-use order.
    """
    if cap0 not in CAPS or cap1 not in CAPS:
        raise ValueError(f"unknown cap type in {name}")
    count_list = list(counts) if hasattr(counts, "__len__") else [counts] * len(profile)
    last = len(profile) - 1
    seams = set(seams)

    # decide one group per ring: caps, planar annuli (equal h), wall runs
    ring_group = [None] * len(profile)
    if end_groups[0] is not None:
        ring_group[0] = end_groups[0]
    if end_groups[1] is not None:
        ring_group[last] = end_groups[1]
    if cap0 in (FLAT, FAN) and ring_group[0] is None:
        ring_group[0] = b.group(f"{name} cap0", cap=True)
    if cap1 in (FLAT, FAN) and ring_group[last] is None:
        ring_group[last] = b.group(f"{name} cap1", cap=True)
    for i in range(last):
        if profile[i][1] == profile[i + 1][1] and i not in seams:
            g = ring_group[i] if ring_group[i] is not None else ring_group[i + 1]
            if g is None:
                g = b.group(f"{name} annulus {i}")
            ring_group[i] = ring_group[i] if ring_group[i] is not None else g
            ring_group[i + 1] = ring_group[i + 1] if ring_group[i + 1] is not None else g
    wall = None
    for i in range(len(profile)):
        if ring_group[i] is None:
            if wall is None:
                wall = b.group(f"{name} wall {i}")
            ring_group[i] = wall
        else:
            wall = None
        if i in seams:
            wall = None

    rings, sections = [], [[]]
    for i, (r, h) in enumerate(profile):
        ring = b.add_points(ring_points(fr, centre, r, h, count_list[i], phase), ring_group[i])
        rings.append(ring)
        sections[-1].append(ring)
        if i in seams:
            # the duplicate is first used together with the next ring: keep them in one group
            dup = b.add_points(ring_points(fr, centre, r, h, count_list[i], phase), ring_group[i + 1])
            sections.append([dup])

    def cap(kind, ring, at_start, h):
        if kind == OPEN:
            return None
        if kind in (FLAT_S, FAN_S):
            r = profile[0][0] if at_start else profile[last][0]
            g = b.group(f"{name} cap{0 if at_start else 1}", cap=True)
            ring = b.add_points(ring_points(fr, centre, r, h, len(ring), phase), g)
            kind = FLAT if kind == FLAT_S else FAN
            group = g
        else:
            group = ring_group[0 if at_start else last]
        poly = ring[::-1] if at_start else ring
        if kind == FLAT:
            return flat_polygon(poly)
        centre_index = b.add_points(np.asarray(centre, dtype=np.float64) + h * fr.a, group)[0]
        return fan_polygon(centre_index, poly)

    batches = []
    first = cap(cap0, rings[0], True, profile[0][1])
    if first is not None:
        batches.append(first)
    strips = [strip(sec[i], sec[i + 1]) for sec in sections for i in range(len(sec) - 1)]
    end = cap(cap1, rings[last], False, profile[last][1])
    batches.extend(strips[:-1])
    if end is not None:
        batches.append(end)
    if strips:
        batches.append(strips[-1])
    b.parts.append((name, cap0 != OPEN and cap1 != OPEN))
    return Lathe(rings, batches)


def emit(b, shape):
    for batch in shape.batches:
        b.emit(batch)


def drum_profile(radius, h0, h1, fillet, k, wall_rings):
    """Closed drum: fillet, wall_rings evenly spaced wall rings, fillet; 2(k+1)+wall_rings points."""
    pts = fillet_arc(radius - fillet, h0 + fillet, fillet, -90, 0, k)
    lo, hi = h0 + fillet, h1 - fillet
    pts += [(radius, lo + (hi - lo) * s / (wall_rings + 1)) for s in range(1, wall_rings + 1)]
    pts += fillet_arc(radius - fillet, h1 - fillet, fillet, 0, 90, k)
    return pts


def _unit(deg):
    """cos and sin of an angle in degrees, exact at multiples of 90."""
    exact = {0: (1.0, 0.0), 90: (0.0, 1.0), 180: (-1.0, 0.0), 270: (0.0, -1.0)}
    d = deg % 360
    if d in exact:
        return exact[d]
    t = math.radians(deg)
    return math.cos(t), math.sin(t)


def fillet_arc(cr, ch, radius, deg0, deg1, segments):
    """segments + 1 points of an arc about (cr, ch) from deg0 to deg1 degrees."""
    pts = []
    for s in range(segments + 1):
        c, si = _unit(deg0 + (deg1 - deg0) * s / segments)
        pts.append((cr + radius * c, ch + radius * si))
    return pts


def drum(b, name, fr, centre, radius, h0, h1, fillet, k, wall_rings, n, cap0, cap1, seams=False):
    profile = drum_profile(radius, h0, h1, fillet, k, wall_rings)
    seam_rings = (k, k + 1 + wall_rings) if seams else ()
    return lathe(b, name, fr, centre, profile, n, cap0, cap1, seams=seam_rings)


def torus(b, name, fr, centre, major, minor, a_segments, b_segments, phase=0.0):
    """A torus a x b about axis a through centre; one group, one closed part."""
    centre = np.asarray(centre, dtype=np.float64)
    pts = []
    for i in range(a_segments):
        al = phase + 2.0 * math.pi * i / a_segments
        radial = math.cos(al) * fr.u + math.sin(al) * fr.v
        for j in range(b_segments):
            be = 2.0 * math.pi * j / b_segments
            pts.append(centre + (major + minor * math.cos(be)) * radial + minor * math.sin(be) * fr.a)
    idx = b.add_points(np.array(pts), b.group(f"{name}")).reshape(a_segments, b_segments)
    tris = []
    for i in range(a_segments):
        i1 = (i + 1) % a_segments
        for j in range(b_segments):
            j1 = (j + 1) % b_segments
            tris.append((idx[i, j], idx[i1, j], idx[i1, j1]))
            tris.append((idx[i, j], idx[i1, j1], idx[i, j1]))
    b.parts.append((name, True))
    b.emit(np.array(tris, dtype=np.int64))


def cover(b, name, fr, centre, radius, h_in, h_out, n, cap_out):
    """A decorative motor cover: a 2-ring cup whose open inner end is buried in its housing."""
    shape = lathe(b, name, fr, centre, [(radius, h_in), (radius, h_out)], n, OPEN, cap_out)
    emit(b, shape)


def screws(b, name, fr, centre, face_h, circle_radius, head_radius, count, segments, closed):
    """Screw heads on a circle of a face at height face_h: 1 mm buried, 1.5 mm proud.

    Open heads start at 45 degrees from u, closed ones at 0; open heads leave the buried
    end open.
    """
    start = 0.0 if closed else 0.25 * math.pi
    centre = np.asarray(centre, dtype=np.float64)
    for i in range(count):
        t = start + 2.0 * math.pi * i / count
        c = centre + circle_radius * (math.cos(t) * fr.u + math.sin(t) * fr.v)
        shape = lathe(
            b,
            f"{name} {i}",
            fr,
            c,
            [(head_radius, face_h - 1.0), (head_radius, face_h + 1.5)],
            segments,
            FLAT if closed else OPEN,
            FLAT,
        )
        emit(b, shape)
