"""Do the posed links stay out of each other? Vertices of one link inside another's solids."""

import numpy as np

from .checks import _closed_with_fans, components, welded
from .kinematics import apply, link_poses


def solids(mesh):
    """Closed triangle soups, one per welded component (openings closed by fans)."""
    wf = welded(mesh)
    labels = components(wf, len(mesh.vertices))
    return [_closed_with_fans(mesh.vertices, wf[labels == lab]) for lab in np.unique(labels)]


def _winding(tris, points, chunk=64):
    out = np.empty(len(points))
    for s in range(0, len(points), chunk):
        q = points[s : s + chunk, None, None, :]
        a, b, c = tris[None, :, 0] - q[:, :, 0], tris[None, :, 1] - q[:, :, 0], tris[None, :, 2] - q[:, :, 0]
        la, lb, lc = (np.linalg.norm(x, axis=2) for x in (a, b, c))
        num = np.einsum("pij,pij->pi", a, np.cross(b, c))
        den = la * lb * lc + np.einsum("pij,pij->pi", a, b) * lc + np.einsum("pij,pij->pi", b, c) * la
        den += np.einsum("pij,pij->pi", c, a) * lb
        out[s : s + chunk] = np.arctan2(num, den).sum(axis=1) / (2.0 * np.pi)
    return out


def penetrations(dims, meshes, joints):
    """(i, j, count) for every link i with vertices inside a solid of link j, at the given joints."""
    poses = link_poses(dims, joints)
    posed_points = [apply(p, m.vertices) for p, m in zip(poses, meshes)]
    posed_solids = [
        [apply(p, s.reshape(-1, 3)).reshape(-1, 3, 3) for s in solids(m)] for p, m in zip(poses, meshes)
    ]
    found = []
    for j, soups in enumerate(posed_solids):
        for i, pts in enumerate(posed_points):
            if i == j:
                continue
            inside = np.zeros(len(pts), dtype=bool)
            for soup in soups:
                lo, hi = soup.reshape(-1, 3).min(axis=0), soup.reshape(-1, 3).max(axis=0)
                near = np.nonzero(((pts >= lo) & (pts <= hi)).all(axis=1))[0]
                if len(near):
                    inside[near] |= _winding(soup, pts[near]) > 0.5
            if inside.any():
                found.append((i, j, int(inside.sum())))
    return found
