"""Pictures of the posed robots: z-buffered images laid out and saved with matplotlib."""

import numpy as np

from .kinematics import apply, link_poses
from .raster import rasterise

CHECK_POSES = ((0, 0, 0, 0, 0, 0), (0, 30, -30, 0, -90, 0), (45, -20, 40, 60, 30, 90))
VIEWS = ((20, -60), (10, -150))  # (elevation, azimuth) in degrees
LINK_COLOURS = ("#5d6166", "#e4e5e2", "#efefec", "#e4e5e2", "#efefec", "#e4e5e2", "#7d8287")


def posed_triangles(dims, meshes, joints):
    """Per link: the (m, 3, 3) triangle corners moved by the link's pose."""
    return [
        apply(pose, m.vertices)[m.faces.astype(np.int64)] for pose, m in zip(link_poses(dims, joints), meshes)
    ]


def render_model(dims, meshes, path, poses=CHECK_POSES, views=VIEWS, pixels=560):
    """One picture of a model: a column per pose, a row per view direction."""
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    inch = pixels / 100.0
    fig, axes = plt.subplots(
        len(views), len(poses), figsize=(inch * len(poses), inch * len(views)), squeeze=False
    )
    for col, joints in enumerate(poses):
        tris = posed_triangles(dims, meshes, joints)
        for row, (elev, azim) in enumerate(views):
            ax = axes[row][col]
            ax.imshow(rasterise(tris, LINK_COLOURS, elev, azim, size=(pixels, pixels)))
            ax.set_axis_off()
            ax.set_title(f"{dims.name.upper()}  J = {tuple(joints)}  (view {elev}, {azim})", fontsize=8)
    fig.tight_layout()
    fig.savefig(path, dpi=100)
    plt.close(fig)
