"""Draw one example of each solution kind on a CRX-10iA, with the geometry that decides the kind.

    python examples/draw_solution_kinds.py --out-dir docs

Each picture shows the two configurations built from one point of the wrist circle: the circle of
radius y1 round the J5 origin W, in the plane of the target's x and y axes, on which the point P of
the forearm axis nearest W must lie. E is the elbow (the J3 origin) and the dashed line is the J1
axis. Writes kind-regular.png, kind-axis-degenerate.png and kind-singular-family.png.
"""

import argparse
import os
from typing import NamedTuple

import matplotlib.pyplot as plt
import numpy as np
import talvane
from draw_robot import View, draw_scene, floor_of, frame_panels, joints_label, panel_grid, posed_triangles
from matplotlib.patheffects import withStroke

Kind = talvane.SolutionKind


class Example(NamedTuple):
    kind: talvane.SolutionKind
    file: str
    joints: tuple[float, ...]  # the flange pose of these joints is the target
    view: View
    caption: str


EXAMPLES = (
    Example(
        Kind.Regular,
        "kind-regular.png",
        (20, 30, -40, 50, 60, 70),
        View(20, 60),
        "Regular: P lies off the J1 axis, and J1 turns the arm toward P",
    ),
    Example(
        Kind.AxisDegenerate,
        "kind-axis-degenerate.png",
        (0, -30, 60, 40, 50, 60),
        View(15, -30),
        "AxisDegenerate: P lies on the J1 axis, the elbow does not; J1 turns the arm toward the elbow",
    ),
    Example(
        Kind.SingularFamily,
        "kind-singular-family.png",
        (0, 0, 90, 30, 40, 50),
        View(15, -30),
        "SingularFamily: upper arm and forearm lie along the J1 axis; J1 and J4 turn about one line",
    ),
)


def wrist_geometry(robot: talvane.Crx, target: np.ndarray, joints: np.ndarray) -> dict[str, np.ndarray]:
    """The points of the picture, in the base frame: the wrist circle, W, P and E."""
    x_axis, y_axis, z_axis, flange = target[:3, 0], target[:3, 1], target[:3, 2], target[:3, 3]
    centre = flange - robot.x2 * z_axis
    angles = np.linspace(0.0, 2.0 * np.pi, 121)[:, None]
    circle = centre + robot.y1 * (np.cos(angles) * x_axis + np.sin(angles) * y_axis)
    frames = robot.fk_all(joints)
    elbow = frames[2][:3, 3]
    forearm_point = elbow + robot.x1 * frames[2][:3, 0]  # along the forearm axis from the elbow
    return {"circle": circle, "W": centre, "P": forearm_point, "E": elbow}


def draw_example(example: Example, out: str, pixels: int) -> list[talvane.IkSolution]:
    model = talvane.CrxModel.Crx10iA
    robot = talvane.Crx.from_model(model)
    meshes = talvane.LinkMeshes.load(model)
    target = robot.fk(example.joints)
    # The solution matching the example's joints and its twin come from the same circle point: the
    # twin turns J1 half a turn and mirrors J2.
    closest = robot.ik_closest(target, example.joints)
    if closest is None or closest.kind != example.kind:
        raise RuntimeError(
            f"expected a {example.kind!r} solution for the target of {example.joints}, got {closest}"
        )
    chosen = [s for s in robot.ik_detailed(target) if s.kind == example.kind and s.theta == closest.theta]

    fig, axes = panel_grid(len(chosen), len(chosen), pixels)
    floor_z = floor_of(meshes)
    floor_size = 2.0 * (robot.z1 + robot.x1 + robot.x2)
    boxes = []
    for ax, solution in zip(axes, chosen):
        view = example.view
        boxes.append(
            draw_scene(ax, posed_triangles(meshes, robot, solution.joints), view, floor_z, floor_size)
        )
        points = wrist_geometry(robot, target, solution.joints)
        axis = view.project(np.array([[0.0, 0.0, floor_z], [0.0, 0.0, 1.35 * (robot.z1 + robot.x1)]]))
        ax.plot(axis[:, 0], axis[:, 1], linestyle=(0, (6, 4)), color="#444444", linewidth=1.2, zorder=5)
        circle = view.project(points["circle"])
        ax.plot(circle[:, 0], circle[:, 1], color="#e0701b", linewidth=1.6, zorder=6)
        for name, colour, nudge in (
            ("W", "#e0701b", (-16, -14)),
            ("P", "#c0392b", (7, 4)),
            ("E", "#1f5fa8", (9, -4)),
        ):
            x, y = view.project(points[name])
            ax.plot(x, y, "o", color=colour, markersize=6, markeredgecolor="white", zorder=7)
            ax.annotate(
                name,
                (x, y),
                xytext=nudge,
                textcoords="offset points",
                color=colour,
                fontsize=11,
                fontweight="bold",
                zorder=8,
                path_effects=[withStroke(linewidth=3, foreground="white")],
            )
        ax.set_title(f"theta = {solution.theta:.4f} rad\n{joints_label(solution.joints)}", fontsize=9)
    frame_panels(axes, boxes, margin=0.1)
    fig.suptitle(example.caption, fontsize=10)
    fig.savefig(out, facecolor="white")
    plt.close(fig)
    return chosen


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out-dir", default=".")
    parser.add_argument("--size", type=int, default=420, help="pixels per panel")
    args = parser.parse_args()
    os.makedirs(args.out_dir, exist_ok=True)
    for example in EXAMPLES:
        out = os.path.join(args.out_dir, example.file)
        chosen = draw_example(example, out, args.size)
        print(f"wrote {out}:", "; ".join(str(s) for s in chosen))


if __name__ == "__main__":
    main()
