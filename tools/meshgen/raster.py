"""A small z-buffer rasteriser (orthographic, Lambert shading) for exact-occlusion pictures.

matplotlib's 3-D axes sort whole triangles, which misdraws long thin strips; this
draws every pixel by depth and leaves matplotlib only the job of saving the image.
"""

import math

import numpy as np


def view_basis(elev_deg, azim_deg):
    """Right, up and toward-viewer unit vectors for a camera at (elev, azim) degrees."""
    e, a = math.radians(elev_deg), math.radians(azim_deg)
    toward = np.array([math.cos(e) * math.cos(a), math.cos(e) * math.sin(a), math.sin(e)])
    right = np.array([-math.sin(a), math.cos(a), 0.0])
    up = np.cross(toward, right)
    return right, up, toward


def rasterise(triangle_sets, colours, elev, azim, size=(640, 640), bounds=None, light=(0.3, -0.5, 0.8)):
    """RGB image (h, w, 3) of the triangle sets, each (m, 3, 3), coloured per set."""
    from matplotlib.colors import to_rgb

    right, up, toward = view_basis(elev, azim)
    basis = np.stack([right, up, toward], axis=1)
    tris = np.concatenate(triangle_sets)
    cols = np.concatenate([np.tile(to_rgb(c), (len(t), 1)) for t, c in zip(triangle_sets, colours)])
    cam = tris @ basis
    h, w = size[1], size[0]
    if bounds is None:
        lo, hi = cam[..., :2].reshape(-1, 2).min(axis=0), cam[..., :2].reshape(-1, 2).max(axis=0)
    else:
        lo, hi = bounds
    scale = 0.92 * min(w / (hi[0] - lo[0]), h / (hi[1] - lo[1]))
    mid = 0.5 * (lo + hi)
    px = (cam[..., 0] - mid[0]) * scale + 0.5 * w
    py = 0.5 * h - (cam[..., 1] - mid[1]) * scale
    depth = cam[..., 2]
    n = np.cross(tris[:, 1] - tris[:, 0], tris[:, 2] - tris[:, 0])
    n /= np.maximum(np.linalg.norm(n, axis=1, keepdims=True), 1e-300)
    light = np.asarray(light) / np.linalg.norm(light)
    facing = n @ toward
    lam = np.abs(n @ light)
    shade = cols * (0.30 + 0.70 * lam)[:, None]
    # back faces (seen from inside) in red, so that holes in a surface show up
    shade[facing < 0] = (0.8, 0.1, 0.1)
    zbuf = np.full((h, w), -np.inf)
    img = np.ones((h, w, 3))
    for t in range(len(tris)):
        x, y, z = px[t], py[t], depth[t]
        x0, x1 = max(int(np.floor(x.min())), 0), min(int(np.ceil(x.max())), w - 1)
        y0, y1 = max(int(np.floor(y.min())), 0), min(int(np.ceil(y.max())), h - 1)
        if x0 > x1 or y0 > y1:
            continue
        det = (y[1] - y[2]) * (x[0] - x[2]) + (x[2] - x[1]) * (y[0] - y[2])
        if abs(det) < 1e-12:
            continue
        gx, gy = np.meshgrid(np.arange(x0, x1 + 1) + 0.5, np.arange(y0, y1 + 1) + 0.5)
        l0 = ((y[1] - y[2]) * (gx - x[2]) + (x[2] - x[1]) * (gy - y[2])) / det
        l1 = ((y[2] - y[0]) * (gx - x[2]) + (x[0] - x[2]) * (gy - y[2])) / det
        l2 = 1.0 - l0 - l1
        inside = (l0 >= 0) & (l1 >= 0) & (l2 >= 0)
        if not inside.any():
            continue
        zz = l0 * z[0] + l1 * z[1] + l2 * z[2]
        sub = zbuf[y0 : y1 + 1, x0 : x1 + 1]
        win = inside & (zz > sub)
        sub[win] = zz[win]
        img[y0 : y1 + 1, x0 : x1 + 1][win] = shade[t]
    return img
