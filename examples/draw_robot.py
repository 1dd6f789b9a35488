"""Draw a CRX robot as a shaded picture: one configuration from several sides, a grid of
configurations, or every inverse-kinematics solution of one flange pose.

    python examples/draw_robot.py --joints 0 30 -30 0 -90 0 --out robot.png
    python examples/draw_robot.py --model crx5ia --joints 0 0 0 0 0 0 --joints 45 -20 40 60 30 90
    python examples/draw_robot.py --solutions-of 20 30 -40 50 60 70 --columns 4 --out solutions.png

The meshes are the ones embedded in talvane (CRX-5iA and CRX-10iA), posed with `LinkMeshes.posed`.
They are drawn with matplotlib alone: every triangle is projected orthographically, shaded by its
angle to a light, and painted back to front.
"""

import argparse
from collections.abc import Sequence
from dataclasses import dataclass

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np
import talvane
from matplotlib.axes import Axes
from matplotlib.collections import LineCollection, PolyCollection
from matplotlib.colors import to_rgb
from matplotlib.figure import Figure
from numpy.typing import ArrayLike

MODELS = {"crx5ia": talvane.CrxModel.Crx5iA, "crx10ia": talvane.CrxModel.Crx10iA}
# Base, the five white links, the steel flange.
LINK_COLOURS = ("#56595e", "#f1f0eb", "#e6e5df", "#f1f0eb", "#e6e5df", "#f1f0eb", "#8d9298")
FLOOR_COLOUR, SHADOW_COLOUR, GRID_COLOUR = "#f7f7f5", "#dcdcd8", "#e3e3df"
DEFAULT_VIEWS = ((20.0, -60.0), (15.0, -150.0), (70.0, -90.0))


@dataclass(frozen=True)
class View:
    """An orthographic camera looking at the origin from `elevation` degrees above the floor and
    `azimuth` degrees round the J1 axis (0 looks from +x, 90 from +y)."""

    elevation: float
    azimuth: float

    def basis(self) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
        """Screen right, screen up and the direction toward the camera, in the base frame."""
        e, a = np.radians(self.elevation), np.radians(self.azimuth)
        toward_camera = np.array([np.cos(e) * np.cos(a), np.cos(e) * np.sin(a), np.sin(e)])
        right = np.array([-np.sin(a), np.cos(a), 0.0])
        return right, np.cross(toward_camera, right), toward_camera

    def project(self, points: np.ndarray) -> np.ndarray:
        """Screen coordinates (mm) of points of shape (..., 3)."""
        right, up, _ = self.basis()
        return np.stack([points @ right, points @ up], axis=-1)


def posed_triangles(meshes: talvane.LinkMeshes, robot: talvane.Crx, joints: ArrayLike) -> list[np.ndarray]:
    """Per link, the corners of its triangles in the base frame, shape (m, 3, 3)."""
    return [mesh.vertices[mesh.faces] for mesh in meshes.posed(robot, joints)]


def shade(triangles: list[np.ndarray], view: View) -> tuple[np.ndarray, np.ndarray]:
    """The triangles facing the camera, projected and painted back to front: (k, 3, 2) corners in
    screen millimetres and (k, 3) RGB colours."""
    right, up, toward_camera = view.basis()
    # A light above and to the left of the camera, and a little shine for the painted links.
    light = -0.4 * right + 0.6 * up + 0.7 * toward_camera
    light /= np.linalg.norm(light)
    half = light + toward_camera
    half /= np.linalg.norm(half)

    corners, colours, depths = [], [], []
    for link, tris in enumerate(triangles):
        normals = np.cross(tris[:, 1] - tris[:, 0], tris[:, 2] - tris[:, 0])
        lengths = np.linalg.norm(normals, axis=1)
        # The meshes are closed and wound counter-clockwise seen from outside: a triangle whose
        # normal points away from the camera is hidden by the front of the same solid.
        visible = (normals @ toward_camera > 0) & (lengths > 0)
        tris, normals = tris[visible], normals[visible] / lengths[visible, None]
        diffuse = np.clip(normals @ light, 0.0, 1.0)
        shine = np.clip(normals @ half, 0.0, 1.0) ** 30 * 0.22
        rgb = np.array(to_rgb(LINK_COLOURS[link % len(LINK_COLOURS)]))
        colours.append(np.clip(rgb * (0.38 + 0.62 * diffuse[:, None]) + shine[:, None], 0.0, 1.0))
        corners.append(view.project(tris))
        depths.append(tris.mean(axis=1) @ toward_camera)
    order = np.argsort(np.concatenate(depths), kind="stable")
    return np.concatenate(corners)[order], np.concatenate(colours)[order]


def draw_scene(
    ax: Axes, triangles: list[np.ndarray], view: View, floor_z: float, floor_size: float
) -> np.ndarray:
    """Paint the floor (a disc of diameter `floor_size`), the robot's shadow straight below it and
    the robot into `ax`. Returns the screen box of the robot, [[xmin, ymin], [xmax, ymax]]."""
    ax.set_facecolor("white")
    radius = floor_size / 2.0
    rim = np.linspace(0.0, 2.0 * np.pi, 97)
    disc = np.stack([radius * np.cos(rim), radius * np.sin(rim), np.full_like(rim, floor_z)], axis=1)
    ax.add_collection(
        PolyCollection([view.project(disc)], facecolors=FLOOR_COLOUR, edgecolors="none", zorder=0)
    )
    lines = []
    for t in np.linspace(-radius, radius, 11)[1:-1]:
        chord = np.sqrt(radius**2 - t**2)
        lines += [[(t, -chord, floor_z), (t, chord, floor_z)], [(-chord, t, floor_z), (chord, t, floor_z)]]
    ax.add_collection(
        LineCollection(list(view.project(np.array(lines))), colors=GRID_COLOUR, linewidths=0.6, zorder=1)
    )

    every = np.concatenate(triangles)
    # The upward-facing triangles of closed meshes cover their whole footprint: flattened onto the
    # floor they make the shadow of a light straight above.
    upward = np.cross(every[:, 1] - every[:, 0], every[:, 2] - every[:, 0])[:, 2] > 0
    shadow = every[upward]
    shadow[:, :, 2] = floor_z
    # (k, 3, 2) arrays take matplotlib's fast path; its type hints only name sequences.
    shadow_polygons = PolyCollection(view.project(shadow), facecolors=SHADOW_COLOUR, edgecolors="none")  # type: ignore[arg-type]
    shadow_polygons.set(antialiased=False, zorder=2)
    ax.add_collection(shadow_polygons)
    corners, colours = shade(triangles, view)
    # Edges in the face colour close the hairline gaps that antialiasing leaves between triangles.
    robot = PolyCollection(corners, facecolors=colours, edgecolors=colours, linewidths=0.3)  # type: ignore[arg-type]
    robot.set(zorder=3)
    ax.add_collection(robot)
    screen = view.project(every.reshape(-1, 3))
    return np.array([screen.min(axis=0), screen.max(axis=0)])


def frame_panels(axes: Sequence[Axes], boxes: Sequence[np.ndarray], margin: float = 0.06) -> None:
    """Give every panel the same scale, each centred on its own robot."""
    span = max(float(np.max(box[1] - box[0])) for box in boxes) * (1.0 + 2.0 * margin)
    for ax, box in zip(axes, boxes):
        centre = box.mean(axis=0)
        ax.set_xlim(centre[0] - span / 2, centre[0] + span / 2)
        ax.set_ylim(centre[1] - span / 2, centre[1] + span / 2)
        ax.set_aspect("equal")
        ax.set_xticks([])
        ax.set_yticks([])
        for spine in ax.spines.values():
            spine.set_visible(False)


def panel_grid(count: int, columns: int, pixels: int) -> tuple[Figure, list[Axes]]:
    """A white figure of `count` square panels of `pixels` each, `columns` to a row."""
    columns = max(1, min(columns, count))
    rows = -(-count // columns)
    inch = pixels / 100.0
    fig, grid = plt.subplots(
        rows, columns, figsize=(inch * columns, inch * rows), dpi=100, squeeze=False, layout="constrained"
    )
    axes = list(grid.ravel())
    for ax in axes[count:]:
        ax.set_visible(False)
    return fig, axes[:count]


def floor_of(meshes: talvane.LinkMeshes) -> float:
    """The height of the plane the base stands on: the lowest point of the base mesh."""
    return float(meshes[0].vertices[:, 2].min())


def joints_label(joints: ArrayLike) -> str:
    """Joints to one decimal, whole degrees without one: "J = (20.8, 119.1, -290.1, 0, 90, 0)"."""
    text = [f"{j:.1f}".removesuffix(".0") for j in np.asarray(joints, dtype=float)]
    return "J = (" + ", ".join("0" if t == "-0" else t for t in text) + ")"


def draw_frames(ax: Axes, frames: np.ndarray, view: View, length: float) -> None:
    """Overlay the frames of `fk_all` (x red, y green, z blue), labelled with their indices; frames
    that share an origin share a label."""
    for frame in frames:
        for axis, colour in enumerate(("#d62728", "#2ca02c", "#1f77b4")):
            ends = view.project(np.array([frame[:3, 3], frame[:3, 3] + length * frame[:3, axis]]))
            ax.plot(ends[:, 0], ends[:, 1], color=colour, linewidth=2.0, solid_capstyle="round", zorder=6)
    labels: list[tuple[np.ndarray, list[int]]] = []
    for index, frame in enumerate(frames):
        for origin, members in labels:
            if np.linalg.norm(origin - frame[:3, 3]) < 1e-6:
                members.append(index)
                break
        else:
            labels.append((frame[:3, 3], [index]))
    for origin, members in labels:
        x, y = view.project(origin)
        text = ("frame " if len(members) == 1 else "frames ") + ", ".join(map(str, members))
        ax.annotate(
            text,
            (x, y),
            xytext=(-8, 6),
            textcoords="offset points",
            ha="right",
            fontsize=8,
            zorder=7,
            bbox={"boxstyle": "round,pad=0.2", "facecolor": "white", "edgecolor": "#999999", "alpha": 0.85},
        )


def draw(
    model: talvane.CrxModel,
    configurations: Sequence[ArrayLike],
    views: Sequence[View],
    out: str,
    titles: Sequence[str] | None = None,
    columns: int = 3,
    pixels: int = 400,
    frames: bool = False,
) -> None:
    """Save a picture with one panel per pair of configuration and view, configurations first;
    with `frames`, the frames of `fk_all` are drawn over the robot."""
    robot = talvane.Crx.from_model(model)
    meshes = talvane.LinkMeshes.load(model)
    floor_z = floor_of(meshes)
    floor_size = 2.0 * (robot.z1 + robot.x1 + robot.x2)

    scenes = [(i, joints, view) for i, joints in enumerate(configurations) for view in views]
    fig, axes = panel_grid(len(scenes), columns, pixels)
    boxes = []
    for ax, (i, joints, view) in zip(axes, scenes):
        boxes.append(draw_scene(ax, posed_triangles(meshes, robot, joints), view, floor_z, floor_size))
        if frames:
            draw_frames(ax, robot.fk_all(joints), view, length=0.22 * robot.z1)
        title = titles[i] if titles is not None else joints_label(joints)
        if len(views) > 1:
            title += f"\nview {view.elevation:g}° up, {view.azimuth:g}° round"
        ax.set_title(title, fontsize=9)
    frame_panels(axes, boxes)
    fig.savefig(out, facecolor="white")
    plt.close(fig)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--model", choices=sorted(MODELS), default="crx10ia")
    source = parser.add_mutually_exclusive_group()
    source.add_argument(
        "--joints",
        type=float,
        nargs=6,
        action="append",
        metavar="J",
        help="a configuration in degrees (repeatable)",
    )
    source.add_argument(
        "--solutions-of",
        type=float,
        nargs=6,
        metavar="J",
        help="draw every IK solution of the flange pose of these joints",
    )
    parser.add_argument(
        "--view",
        type=float,
        nargs=2,
        action="append",
        metavar=("ELEVATION", "AZIMUTH"),
        help="camera, degrees (repeatable)",
    )
    parser.add_argument("--columns", type=int, default=3)
    parser.add_argument("--size", type=int, default=400, help="pixels per panel")
    parser.add_argument("--frames", action="store_true", help="draw the six frames of fk_all over the robot")
    parser.add_argument("--out", default="robot.png")
    args = parser.parse_args()
    if args.columns < 1 or not 50 <= args.size <= 4000:
        parser.error("--columns must be positive and --size between 50 and 4000")

    model = MODELS[args.model]
    titles = None
    if args.solutions_of is not None:
        robot = talvane.Crx.from_model(model)
        solutions = robot.ik_detailed(robot.fk(args.solutions_of))
        configurations = [list(s.joints) for s in solutions]
        titles = [f"solution {n}: {s.kind!r}\n{joints_label(s.joints)}" for n, s in enumerate(solutions)]
    else:
        configurations = args.joints or [[0.0] * 6]
    # One configuration is shown from three sides, several from one side each, unless told otherwise.
    if args.view:
        views = [View(*v) for v in args.view]
    else:
        views = [View(*v) for v in (DEFAULT_VIEWS if len(configurations) == 1 else DEFAULT_VIEWS[:1])]
    draw(
        model,
        configurations,
        views,
        args.out,
        titles=titles,
        columns=args.columns,
        pixels=args.size,
        frames=args.frames,
    )
    print(f"wrote {args.out}: {len(configurations)} configuration(s) x {len(views)} view(s)")


if __name__ == "__main__":
    main()
