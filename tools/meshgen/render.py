"""Pictures of the posed robots (matplotlib), to look at the meshes as a whole."""

import numpy as np

from .kinematics import apply, link_poses

CHECK_POSES = ((0, 0, 0, 0, 0, 0), (0, 30, -30, 0, -90, 0), (45, -20, 40, 60, 30, 90))
LINK_COLOURS = ("#6f7378", "#e8e9e6", "#f2f2ef", "#e8e9e6", "#f2f2ef", "#e8e9e6", "#8a8f94")
LIGHT = np.array([0.35, -0.55, 0.76])


def posed_triangles(dims, meshes, joints):
    """Per link: the (m, 3, 3) triangle corners moved by the link's pose."""
    return [apply(pose, m.vertices)[m.faces.astype(np.int64)] for pose, m in zip(link_poses(dims, joints), meshes)]


def _shade(tris, colour):
    from matplotlib.colors import to_rgb

    n = np.cross(tris[:, 1] - tris[:, 0], tris[:, 2] - tris[:, 0])
    n /= np.maximum(np.linalg.norm(n, axis=1, keepdims=True), 1e-300)
    lam = np.clip(n @ (LIGHT / np.linalg.norm(LIGHT)), 0.0, 1.0)
    return np.clip(np.outer(0.35 + 0.65 * lam, to_rgb(colour)), 0.0, 1.0)


def draw(ax, triangle_sets, colours=LINK_COLOURS, elev=18, azim=-60, limits=None):
    from mpl_toolkits.mplot3d.art3d import Poly3DCollection

    tris = np.concatenate(triangle_sets)
    faces = np.concatenate([_shade(t, c) for t, c in zip(triangle_sets, colours)])
    ax.add_collection3d(Poly3DCollection(tris, facecolors=faces, edgecolors="none", linewidths=0))
    pts = tris.reshape(-1, 3)
    lo, hi = (pts.min(axis=0), pts.max(axis=0)) if limits is None else limits
    centre, half = 0.5 * (lo + hi), 0.5 * float((hi - lo).max())
    for setter, c in zip((ax.set_xlim, ax.set_ylim, ax.set_zlim), centre):
        setter(c - half, c + half)
    ax.set_box_aspect((1, 1, 1))
    ax.view_init(elev=elev, azim=azim)
    ax.set_xlabel("x")
    ax.set_ylabel("y")
    ax.set_zlabel("z")


def render_model(dims, meshes, path, poses=CHECK_POSES, views=((18, -60),), size=5.0, dpi=110):
    """One picture of a model: a column per pose, a row per view direction."""
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig = plt.figure(figsize=(size * len(poses), size * len(views)))
    for row, (elev, azim) in enumerate(views):
        for col, joints in enumerate(poses):
            ax = fig.add_subplot(len(views), len(poses), row * len(poses) + col + 1, projection="3d")
            draw(ax, posed_triangles(dims, meshes, joints), elev=elev, azim=azim)
            ax.set_title(f"{dims.name.upper()}  J = {tuple(joints)}", fontsize=9)
    fig.tight_layout()
    fig.savefig(path, dpi=dpi)
    plt.close(fig)
