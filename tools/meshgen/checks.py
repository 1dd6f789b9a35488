"""Invariant checks of a generated mesh; each returns a list of problems (empty when sound).

They run in the generator before anything is written and in the tests.
"""

import numpy as np


def check_numbering(mesh):
    """Every vertex used, numbered in order of first use, no face repeating a vertex."""
    problems = []
    f = mesh.faces.astype(np.int64)
    n = len(mesh.vertices)
    if f.size and (f.min() < 0 or f.max() >= n):
        return ["face index out of range"]
    flat = f.reshape(-1)
    _, first = np.unique(flat, return_index=True)
    if len(first) != n:
        problems.append(f"{n - len(first)} vertices unused")
    elif not np.array_equal(np.argsort(first, kind="stable"), np.arange(n)):
        problems.append("vertices are not numbered in order of first use")
    repeats = (f[:, 0] == f[:, 1]) | (f[:, 1] == f[:, 2]) | (f[:, 0] == f[:, 2])
    if repeats.any():
        problems.append(f"{int(repeats.sum())} faces repeat a vertex")
    return problems


def _directed_edges(faces):
    f = faces.astype(np.int64)
    return np.concatenate([f[:, [0, 1]], f[:, [1, 2]], f[:, [2, 0]]])


def check_manifold(mesh):
    """Each directed edge at most once, each undirected edge at most twice (oriented, edge-manifold)."""
    problems = []
    e = _directed_edges(mesh.faces)
    _, counts = np.unique(e, axis=0, return_counts=True)
    if (counts > 1).any():
        problems.append(
            f"{int((counts > 1).sum())} directed edges used more than once (inconsistent orientation)"
        )
    _, ucounts = np.unique(np.sort(e, axis=1), axis=0, return_counts=True)
    if (ucounts > 2).any():
        problems.append(f"{int((ucounts > 2).sum())} edges shared by more than two faces")
    return problems


def boundary_edges(faces):
    e = _directed_edges(faces)
    key = e[:, 0] * (1 << 32) + e[:, 1]
    rkey = e[:, 1] * (1 << 32) + e[:, 0]
    return e[~np.isin(key, rkey)]


def welded(mesh):
    """Faces re-indexed so that coincident vertices (seams, split caps) share one index."""
    _, first, inverse = np.unique(mesh.vertices, axis=0, return_index=True, return_inverse=True)
    return first[inverse.reshape(-1)][mesh.faces.astype(np.int64)]


def components(faces, vertex_count):
    """Connected component label of every face (union-find over shared vertices)."""
    parent = np.arange(vertex_count)

    def find(x):
        root = x
        while parent[root] != root:
            root = parent[root]
        while parent[x] != root:
            parent[x], x = root, parent[x]
        return root

    for a, b, c in faces:
        ra, rb, rc = find(a), find(b), find(c)
        parent[rb] = ra
        parent[find(rc)] = ra
    return np.array([find(a) for a in faces[:, 0]])


def triangle_normals(vertices, faces):
    p = vertices[faces.astype(np.int64)]
    return np.cross(p[:, 1] - p[:, 0], p[:, 2] - p[:, 0])


def _closed_with_fans(vertices, faces):
    """Triangles of a component with every boundary loop closed by a fan to the loop's centroid."""
    tris = [vertices[faces]]
    bnd = boundary_edges(faces)
    if len(bnd):
        nxt = {int(a): int(b) for a, b in bnd}
        seen = set()
        for start in list(nxt):
            if start in seen:
                continue
            loop = [start]
            seen.add(start)
            v = nxt[start]
            while v != start:
                loop.append(v)
                seen.add(v)
                v = nxt[v]
            c = vertices[loop].mean(axis=0)
            pa = vertices[loop]
            pb = vertices[loop[1:] + loop[:1]]
            tris.append(np.stack([pb, pa, np.broadcast_to(c, pa.shape)], axis=1))
    return np.concatenate(tris)


def signed_volume(tris):
    ref = tris.reshape(-1, 3).mean(axis=0)
    t = tris - ref
    return float(np.einsum("ij,ij->i", t[:, 0], np.cross(t[:, 1], t[:, 2])).sum() / 6.0)


def winding_numbers(tris, points):
    """Generalised winding number of closed triangle soup ``tris`` at each point."""
    out = np.empty(len(points))
    for i, q in enumerate(points):
        a, b, c = tris[:, 0] - q, tris[:, 1] - q, tris[:, 2] - q
        la, lb, lc = (np.linalg.norm(x, axis=1) for x in (a, b, c))
        num = np.einsum("ij,ij->i", a, np.cross(b, c))
        den = la * lb * lc + np.einsum("ij,ij->i", a, b) * lc + np.einsum("ij,ij->i", b, c) * la
        den += np.einsum("ij,ij->i", c, a) * lb
        out[i] = np.arctan2(num, den).sum() / (2.0 * np.pi)
    return out


def check_geometry(mesh, exposed_ok=None):
    """Non-degenerate triangles, outward orientation, no folds, openings hidden in the mesh's own solids.

    Coincident vertices are welded first, so that seams and split caps count as joined.
    ``exposed_ok(points)`` may accept an opening that faces a neighbouring link instead.
    """
    problems = []
    v = mesh.vertices
    areas = 0.5 * np.linalg.norm(triangle_normals(v, mesh.faces), axis=1)
    if (areas < 1e-6).any():
        problems.append(f"{int((areas < 1e-6).sum())} degenerate triangles")
    wf = welded(mesh)
    if check_manifold_faces(wf):
        problems.append("welded mesh is not an oriented manifold")
        return problems
    labels = components(wf, len(v))
    comps = [wf[labels == lab] for lab in np.unique(labels)]
    soups = []
    for cf in comps:
        soup = _closed_with_fans(v, cf)
        vol = signed_volume(soup)
        if vol <= 0.0:
            problems.append(f"component of {len(cf)} faces is inside out (volume {vol:.3g})")
        soups.append(soup)
    # folds: neighbouring faces must not turn back on each other
    n = triangle_normals(v, wf)
    n /= np.linalg.norm(n, axis=1, keepdims=True)
    e = _directed_edges(wf)
    face_of = np.tile(np.arange(len(wf)), 3)
    key = e[:, 0] * (1 << 32) + e[:, 1]
    rkey = e[:, 1] * (1 << 32) + e[:, 0]
    order = np.argsort(key)
    pos = np.searchsorted(key[order], rkey)
    pos = np.minimum(pos, len(key) - 1)
    has = key[order][pos] == rkey
    f0, f1 = face_of[has], face_of[order][pos[has]]
    dots = np.einsum("ij,ij->i", n[f0], n[f1])
    if (dots < -0.5).any():
        problems.append(f"{int((dots < -0.5).sum())} folded edges")
    # every opening must be hidden inside another solid of the same mesh
    for ci, cf in enumerate(comps):
        bnd = boundary_edges(cf)
        if not len(bnd):
            continue
        pts = v[np.unique(bnd)]
        buried = np.zeros(len(pts), dtype=bool)
        for cj, soup in enumerate(soups):
            if cj != ci:
                buried |= winding_numbers(soup, pts) > 0.5
        if not buried.all() and not (exposed_ok is not None and exposed_ok(pts[~buried])):
            problems.append(f"{int((~buried).sum())} vertices of openings are exposed")
    return problems


def check_manifold_faces(faces):
    class _M:
        pass

    m = _M()
    m.faces = faces
    return check_manifold(m)


def check_closed(mesh):
    """No boundary at all, once coincident vertices are welded."""
    bnd = boundary_edges(welded(mesh))
    return [f"{len(bnd)} open boundary edges"] if len(bnd) else []


def check_planar_caps(mesh):
    """Every cap group lies on one axis-aligned plane exactly."""
    problems = []
    for gi, g in enumerate(mesh.groups):
        if not g.cap:
            continue
        pts = mesh.vertices[mesh.vertex_group == gi]
        if not any((pts[:, a] == pts[0, a]).all() for a in range(3)):
            problems.append(f"cap {g.name} is not planar")
    return problems


def _overlap_2d(t0, t1, eps=1e-7):
    """Do two triangles (3x2) overlap with positive area? Separating-axis test."""
    for tri in (t0, t1):
        for i in range(3):
            e = tri[(i + 1) % 3] - tri[i]
            axis = np.array([-e[1], e[0]])
            p0, p1 = t0 @ axis, t1 @ axis
            if p0.max() <= p1.min() + eps * np.linalg.norm(
                axis
            ) or p1.max() <= p0.min() + eps * np.linalg.norm(axis):
                return False
    return True


def check_coplanar_overlaps(mesh):
    """No two triangles on one axis plane overlap (no z-fighting patches, no folded caps)."""
    problems = []
    p = mesh.vertices[mesh.faces.astype(np.int64)]
    for axis in range(3):
        flat = (p[:, 0, axis] == p[:, 1, axis]) & (p[:, 1, axis] == p[:, 2, axis])
        idx = np.nonzero(flat)[0]
        planes = {}
        for i in idx:
            planes.setdefault(p[i, 0, axis], []).append(i)
        others = [a for a in range(3) if a != axis]
        for value, tris in planes.items():
            t2 = p[tris][:, :, others]
            lo, hi = t2.min(axis=1), t2.max(axis=1)
            for a in range(len(tris)):
                cand = np.nonzero(((lo[a] < hi[a + 1 :]) & (lo[a + 1 :] < hi[a])).all(axis=1))[0] + a + 1
                for b in cand:
                    if _overlap_2d(t2[a], t2[b]):
                        problems.append(
                            f"triangles {tris[a]} and {tris[b]} overlap on plane {'xyz'[axis]} = {value}"
                        )
    return problems


def check_flange_face(mesh, face_vertices):
    """Largest z exactly 0, exactly ``face_vertices`` vertices on it, and they come first."""
    z = mesh.vertices[:, 2]
    problems = []
    if z.max() != 0.0:
        problems.append(f"largest z is {z.max()!r}, not 0.0")
    on = np.nonzero(z == 0.0)[0]
    if len(on) != face_vertices:
        problems.append(f"{len(on)} vertices on z = 0, expected {face_vertices}")
    elif not np.array_equal(on, np.arange(face_vertices)):
        problems.append("the face vertices are not the first in first-use order")
    return problems
