"""A reachability map computed on a Dask cluster: for each point of a grid, the share of a set of
tool orientations that the robot reaches there.

The orientations point the flange's z axis down at the table, tilted from the vertical by up to
`--tilt` degrees in every direction. A point's share is the fraction of them with at least one IK
solution (with `--limits`, one within the model's published joint ranges). The grid covers a plane
at height `--z`, or a volume with `--z-levels`. The poses go to the workers in chunks, each solved
with one `ik_many` call, while a progress bar runs; the map ends up as a heat-map PNG.

    pip install .[distributed]
    python examples/reachability_map.py                          # a LocalCluster on this machine
    python examples/reachability_map.py --limits --tilt 30 --grid 60 --out map.png
    python examples/reachability_map.py --z-levels -200 0 200 400 # a volume, one panel per height
    python examples/reachability_map.py --scheduler tcp://10.0.0.5:8786   # the same on a cluster

Robots and cells pickle, so the workers get the robot itself; only talvane and NumPy are needed
there.
"""

import argparse
import time
from collections.abc import Sequence

import numpy as np
from talvane import Cell, Crx

# FANUC's published joint ranges (J1, J2, J2 + J3, J4, J5, J6), as in the guide. J3 gets the
# stroke that J2 and J2 + J3 allow together.
PUBLISHED_RANGES = {
    "crx3ia": (200.0, 180.0, (-62.7, 242.7), 190.0, 180.0, 225.0),
    "crx5ia": (200.0, 179.9, (-68.0, 248.0), 190.0, 179.9, 225.0),
    "crx10ia": (190.0, 179.9, (-71.0, 251.0), 190.0, 179.9, 225.0),
    "crx20ial": (179.9, 179.9, (-270.0, 270.0), 190.0, 179.9, 225.0),
    "crx30ia": (179.9, 179.9, (-270.0, 270.0), 190.0, 179.9, 225.0),
}
MODELS = ("crx3ia", "crx5ia", "crx10ia", "crx10ial", "crx20ial", "crx30ia")


def make_solver(model: str, limits: bool) -> Crx | Cell:
    """The robot, or with `limits` a cell with its published joint ranges."""
    robot = getattr(Crx, model)()
    if not limits:
        return robot
    if model not in PUBLISHED_RANGES:
        raise ValueError(
            f"no published joint ranges for {model}; models with ranges: {', '.join(PUBLISHED_RANGES)}"
        )
    j1, j2, (elbow_low, elbow_high), j4, j5, j6 = PUBLISHED_RANGES[model]
    lower = [-j1, -j2, elbow_low - j2, -j4, -j5, -j6]
    upper = [j1, j2, elbow_high + j2, j4, j5, j6]
    return Cell(robot, lower=lower, upper=upper, j2_plus_j3=(elbow_low, elbow_high))


def rotation_z(angle: float) -> np.ndarray:
    c, s = np.cos(angle), np.sin(angle)
    return np.array([[c, -s, 0.0], [s, c, 0.0], [0.0, 0.0, 1.0]])


def rotation_y(angle: float) -> np.ndarray:
    c, s = np.cos(angle), np.sin(angle)
    return np.array([[c, 0.0, s], [0.0, 1.0, 0.0], [-s, 0.0, c]])


def tool_orientations(tilt: float, rings: int, per_ring: int) -> np.ndarray:
    """(k, 3, 3): the flange z axis straight down, then `rings` rings of `per_ring` directions tilted
    evenly up to `tilt` degrees from the vertical."""
    down = np.diag([1.0, -1.0, -1.0])  # a half turn about x
    found = [down]
    for ring in range(1, rings + 1):
        angle = np.radians(tilt * ring / rings)
        for k in range(per_ring):
            azimuth = 2.0 * np.pi * k / per_ring
            found.append(rotation_z(azimuth) @ rotation_y(angle) @ rotation_z(-azimuth) @ down)
    return np.array(found)


def grid_points(half_width: float, count: int, z_levels: Sequence[float]) -> np.ndarray:
    """(levels, count, count, 3): a square grid centred on the J1 axis at each height, mm."""
    axis = np.linspace(-half_width, half_width, count)
    x, y = np.meshgrid(axis, axis, indexing="xy")
    return np.array([np.stack([x, y, np.full_like(x, z)], axis=-1) for z in z_levels])


def reach_shares(solver: Crx | Cell, points: np.ndarray, orientations: np.ndarray) -> np.ndarray:
    """For each of the (n, 3) points, the share of the orientations with at least one solution:
    one ik_many call over every pose of the chunk."""
    poses = np.zeros((len(points), len(orientations), 4, 4))
    poses[:, :, :3, :3] = orientations
    poses[:, :, :3, 3] = points[:, None, :]
    poses[:, :, 3, 3] = 1.0
    solutions = solver.ik_many(poses.reshape(-1, 4, 4))
    reached = np.array([len(rows) > 0 for rows in solutions]).reshape(len(points), len(orientations))
    return reached.mean(axis=1)


def reachability_map(client, solver, points: np.ndarray, orientations: np.ndarray, chunk: int, progress=True):
    """The shares for every point of `points` (any leading shape, then 3), computed on the Dask
    `client` in chunks of `chunk` points."""
    from dask.distributed import progress as progress_bar

    flat = points.reshape(-1, 3)
    # Sent to every worker once, so that each task carries only its points; under keys of their own,
    # so that a later map never depends on data an earlier one has released.
    solver_future, orientations_future = client.scatter([solver, orientations], broadcast=True, hash=False)
    futures = [
        client.submit(
            reach_shares, solver_future, flat[start : start + chunk], orientations_future, pure=False
        )
        for start in range(0, len(flat), chunk)
    ]
    if progress:
        progress_bar(futures)
        print()
    return np.concatenate(client.gather(futures)).reshape(points.shape[:-1])


def draw(shares: np.ndarray, half_width: float, z_levels: Sequence[float], title: str, file: str) -> None:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    levels = len(z_levels)
    fig, axes = plt.subplots(1, levels, figsize=(4.2 * levels + 0.8, 4.2), dpi=100, squeeze=False)
    extent = (-half_width, half_width, -half_width, half_width)
    for ax, level, z in zip(axes[0], shares, z_levels):
        image = ax.imshow(level, origin="lower", extent=extent, vmin=0.0, vmax=1.0, cmap="viridis")
        ax.set_title(f"z = {z:g} mm")
        ax.set_xlabel("x (mm)")
    axes[0][0].set_ylabel("y (mm)")
    fig.colorbar(image, ax=axes[0].tolist(), label="share of orientations reached", shrink=0.85)
    fig.suptitle(title, fontsize=10)
    fig.savefig(file)
    plt.close(fig)


def parse_arguments(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--model", choices=MODELS, default="crx10ia")
    parser.add_argument("--limits", action="store_true", help="count only solutions within the joint ranges")
    parser.add_argument("--tilt", type=float, default=30.0, help="largest tilt from the vertical, degrees")
    parser.add_argument("--rings", type=int, default=3, help="rings of tilted orientations")
    parser.add_argument("--per-ring", type=int, default=8, help="orientations per ring")
    parser.add_argument("--grid", type=int, default=41, help="points along each side of the square")
    parser.add_argument("--half-width", type=float, default=1400.0, help="half the side of the square, mm")
    parser.add_argument("--z", type=float, default=0.0, help="height of the plane, mm")
    parser.add_argument("--z-levels", type=float, nargs="+", help="heights of a volume instead of one plane")
    parser.add_argument("--chunk", type=int, default=64, help="points per task")
    parser.add_argument(
        "--scheduler", metavar="ADDRESS", help="an existing Dask scheduler; default: a LocalCluster"
    )
    parser.add_argument("--workers", type=int, default=2, help="worker processes of the LocalCluster")
    parser.add_argument("--out", default="reachability.png", help="the heat-map PNG")
    parser.add_argument("--no-progress", action="store_true")
    args = parser.parse_args(argv)
    for name in ("rings", "per_ring", "grid", "chunk", "workers"):
        if getattr(args, name) < 1:
            parser.error(f"--{name.replace('_', '-')} must be at least 1")
    return args


def main(argv=None) -> None:
    args = parse_arguments(argv)
    from dask.distributed import Client, LocalCluster

    solver = make_solver(args.model, args.limits)
    orientations = tool_orientations(args.tilt, args.rings, args.per_ring)
    z_levels = args.z_levels or [args.z]
    points = grid_points(args.half_width, args.grid, z_levels)

    if args.scheduler:
        cluster = None
        client = Client(args.scheduler)
    else:
        cluster = LocalCluster(
            n_workers=args.workers, threads_per_worker=1, processes=True, dashboard_address=None
        )
        client = Client(cluster)
    try:
        workers = len(client.scheduler_info()["workers"])
        started = time.perf_counter()
        shares = reachability_map(client, solver, points, orientations, args.chunk, not args.no_progress)
        elapsed = time.perf_counter() - started
    finally:
        client.close()
        if cluster is not None:
            cluster.close()

    poses = points[..., 0].size * len(orientations)
    print(
        f"{args.model}{' within its joint ranges' if args.limits else ''}: {points[..., 0].size} points x "
        f"{len(orientations)} orientations = {poses} poses on {workers} worker(s) in {elapsed:.2f} s"
    )
    print(
        f"points reached in every orientation: {int((shares == 1.0).sum())}, "
        f"in some: {int((shares > 0).sum())}, mean share: {shares.mean():.4f}"
    )
    title = f"{args.model}: share of tool orientations within {args.tilt:g}°\nof vertical reached"
    draw(
        shares,
        args.half_width,
        z_levels,
        title + (" within the joint ranges" if args.limits else ""),
        args.out,
    )
    print(f"wrote {args.out}")


if __name__ == "__main__":
    main()
