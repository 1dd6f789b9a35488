"""A short pick-and-place program in a FANUC cell: taught points in XYZWPR in a user frame, a tool,
the joint limits of the CRX-10iA, solved into one joint path that never reconfigures the arm.

    python examples/cell_program.py
    python examples/cell_program.py --out docs/cell-program.png

The points are written the way the teach pendant lists them (x, y, z in mm and W, P, R in degrees in
the user frame UFRAME, for the TCP of the tool UTOOL). Between taught points the TCP moves in
straight lines (the pendant's L moves), sampled every few millimetres and solved with
`Cell.ik_path`, which takes at each sample the configuration nearest to the one before and stops
with an error rather than switching configuration. The last move turns the tool past the point
where `ik` folds J6 back by a turn: the cell's J6 stroke of +-225 degrees lists that whole-turn copy,
so the wrist turns on instead of flipping.
"""

import argparse
from itertools import pairwise

import numpy as np
import talvane
from talvane import Cell, Crx, pose_from_xyzwpr

# The TCP of a gripper 180 mm out of the flange, and the corner of a fixture plate on the floor
# (the base stands 245 mm below the J2 origin, the origin of the robot's world).
UTOOL = [0.0, 0.0, 180.0, 0.0, 0.0, 0.0]
UFRAME = [450.0, -350.0, -235.0, 0.0, 0.0, 30.0]
# The CRX-10iA's published joint ranges. J3 has no stroke of its own there; the one given lets
# every J3 that the J2 and J2 + J3 ranges allow together.
LOWER = [-190.0, -179.9, -250.9, -190.0, -179.9, -225.0]
UPPER = [190.0, 179.9, 430.9, 190.0, 179.9, 225.0]
J2_PLUS_J3 = (-71.0, 251.0)
HOME = [0.0, 0.0, 0.0, 0.0, -90.0, 90.0]

# name, X, Y, Z, W, P, R: the tool points straight down into the table.
PROGRAM = [
    ("P[1] approach", 0.0, 0.0, 150.0, 180.0, 0.0, 90.0),
    ("P[2] pick", 0.0, 0.0, 0.0, 180.0, 0.0, 90.0),
    ("P[3] lift", 0.0, 0.0, 150.0, 180.0, 0.0, 90.0),
    ("P[4] above place", 300.0, 350.0, 150.0, 180.0, 0.0, -160.0),
    ("P[5] place", 300.0, 350.0, 0.0, 180.0, 0.0, -160.0),
    ("P[6] retreat", 300.0, 350.0, 150.0, 180.0, 0.0, -160.0),
]


def make_cell() -> Cell:
    robot = Crx.crx10ia()
    return Cell(
        robot,
        tool=pose_from_xyzwpr(UTOOL),
        user_frame=pose_from_xyzwpr(UFRAME),
        lower=LOWER,
        upper=UPPER,
        j2_plus_j3=J2_PLUS_J3,
    )


def rotation_between(a: np.ndarray, b: np.ndarray, t: float) -> np.ndarray:
    """The rotation a fraction t of the way from a to b about their common axis (slerp)."""
    relative = a.T @ b
    angle = np.arccos(np.clip((np.trace(relative) - 1.0) / 2.0, -1.0, 1.0))
    if angle < 1e-12:
        return a.copy()
    axis = np.array(
        [relative[2, 1] - relative[1, 2], relative[0, 2] - relative[2, 0], relative[1, 0] - relative[0, 1]]
    )
    axis /= np.linalg.norm(axis)
    k = np.array([[0.0, -axis[2], axis[1]], [axis[2], 0.0, -axis[0]], [-axis[1], axis[0], 0.0]])
    turn = np.eye(3) + np.sin(t * angle) * k + (1.0 - np.cos(t * angle)) * (k @ k)
    return a @ turn


def linear_move(a: np.ndarray, b: np.ndarray, step: float) -> np.ndarray:
    """Poses from a (excluded) to b (included) along a straight line, at most `step` mm apart."""
    count = max(1, int(np.ceil(np.linalg.norm(b[:3, 3] - a[:3, 3]) / step)))
    poses = np.repeat(np.eye(4)[None], count, axis=0)
    for i, t in enumerate(np.arange(1, count + 1) / count):
        poses[i, :3, :3] = rotation_between(a[:3, :3], b[:3, :3], t)
        poses[i, :3, 3] = (1.0 - t) * a[:3, 3] + t * b[:3, 3]
    return poses


def solve_program(cell: Cell, step: float = 5.0) -> tuple[np.ndarray, np.ndarray, list[int]]:
    """The joint path of the program: the TCP poses (user frame), their joints, and the index of
    each taught point in them. The arm starts at the configuration of P[1] nearest HOME."""
    taught = pose_from_xyzwpr([point[1:] for point in PROGRAM])
    start = cell.ik_closest(taught[0], HOME)
    if start is None:
        raise ValueError(f"{PROGRAM[0][0]} has no configuration within the limits")
    poses, indices = [taught[0]], [0]
    for a, b in pairwise(taught):
        poses.extend(linear_move(a, b, step))
        indices.append(len(poses) - 1)
    path = cell.ik_path(np.array(poses), start)
    return np.array(poses), path, indices


def folded_by_ik(cell: Cell, tcp: np.ndarray, joints: np.ndarray) -> np.ndarray:
    """The row of the robot's own `ik` that equals `joints` up to whole turns."""
    flange = cell.user_frame @ tcp @ np.linalg.inv(cell.tool)
    rows = cell.robot.ik(flange)
    gaps = np.abs((rows - joints + 180.0) % 360.0 - 180.0).max(axis=1)
    return rows[np.argmin(gaps)]


def print_table(path: np.ndarray, indices: list[int]) -> None:
    print(
        f"{'point':<17}{'X':>7}{'Y':>7}{'Z':>7}{'W':>7}{'P':>6}{'R':>7} |"
        + "".join(f"{f'J{j}':>9}" for j in range(1, 7))
    )
    for (name, *xyzwpr), index in zip(PROGRAM, indices):
        taught = "".join(f"{v:>7.1f}" for v in xyzwpr[:4]) + f"{xyzwpr[4]:>6.1f}{xyzwpr[5]:>7.1f}"
        # Rounding can leave "-0.00" for a joint that is zero up to 1e-15.
        joints = [f"{j:.2f}".replace("-0.00", "0.00") for j in path[index]]
        print(f"{name:<17}{taught} |" + "".join(f"{j:>9}" for j in joints))


def draw(cell: Cell, poses: np.ndarray, path: np.ndarray, indices: list[int], out: str, pixels: int) -> None:
    """The start and the end configuration side by side, each with the TCP trace and the taught points."""
    import matplotlib.pyplot as plt
    from draw_robot import View, draw_scene, floor_of, frame_panels, panel_grid, posed_triangles
    from matplotlib.collections import PolyCollection

    model = talvane.CrxModel.Crx10iA
    meshes = talvane.LinkMeshes.load(model)
    robot = cell.robot
    view = View(28.0, -50.0)
    world = cell.user_frame @ poses  # the TCP poses in the robot's world
    trace = view.project(world[:, :3, 3])
    # The table: the user frame's x-y plane under the taught points.
    corners = np.array(
        [[-100, -100, 0, 1], [420, -100, 0, 1], [420, 470, 0, 1], [-100, 470, 0, 1]], dtype=float
    )
    table = view.project((cell.user_frame @ corners.T).T[:, :3])

    # Points taught at the same place share a label.
    labels: dict[tuple[float, float], list[str]] = {}
    for (name, *_), index in zip(PROGRAM, indices):
        labels.setdefault(tuple(np.round(trace[index], 6)), []).append(name.split()[0])

    fig, axes = panel_grid(2, 2, pixels)
    boxes = []
    for ax, (title, joints) in zip(
        axes, [("start: " + PROGRAM[0][0], path[0]), ("end: " + PROGRAM[-1][0], path[-1])]
    ):
        box = draw_scene(ax, posed_triangles(meshes, robot, joints), view, floor_of(meshes), 1800.0)
        # Frame the table and the trace as well as the robot.
        extra = np.vstack([table, trace])
        boxes.append(np.array([np.minimum(box[0], extra.min(axis=0)), np.maximum(box[1], extra.max(axis=0))]))
        ax.add_collection(
            PolyCollection([table], facecolors="#c9b79c", edgecolors="#8a7658", alpha=0.6, zorder=2.5)
        )
        # The tool, from the flange to the TCP.
        flange, tcp = robot.fk(joints), cell.user_frame @ cell.fk(joints)
        tool = view.project(np.array([flange[:3, 3], tcp[:3, 3]]))
        ax.plot(tool[:, 0], tool[:, 1], color="#5a5f66", linewidth=3.5, solid_capstyle="butt", zorder=5)
        ax.plot(trace[:, 0], trace[:, 1], color="#d62728", linewidth=1.6, zorder=6)
        for (x, y), names in labels.items():
            ax.plot(x, y, "o", color="#d62728", markersize=4, zorder=7)
            ax.annotate(
                ", ".join(names), (x, y), xytext=(5, 4), textcoords="offset points", fontsize=7, zorder=8
            )
        ax.set_title(f"{title}\nJ = ({', '.join(f'{j:.1f}' for j in joints)})", fontsize=8)
    frame_panels(axes, boxes)
    fig.savefig(out, facecolor="white")
    plt.close(fig)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--step", type=float, default=5.0, help="sampling of the linear moves, mm")
    parser.add_argument("--out", help="also draw the start, the end and the TCP trace (needs matplotlib)")
    parser.add_argument("--size", type=int, default=420, help="pixels per panel")
    args = parser.parse_args()
    if not 0.1 <= args.step <= 500 or not 50 <= args.size <= 4000:
        parser.error("--step must lie between 0.1 and 500 mm and --size between 50 and 4000")

    cell = make_cell()
    poses, path, indices = solve_program(cell, args.step)
    print_table(path, indices)
    steps = np.abs(np.diff(path, axis=0)).max(axis=0)
    print(
        f"{len(path)} path points; largest step per joint: "
        + ", ".join(f"J{j + 1} {s:.2f}" for j, s in enumerate(steps))
    )
    folded = folded_by_ik(cell, poses[-1], path[-1])
    print(f"J6 ends at {path[-1, 5]:.2f}; Crx.ik lists this configuration with J6 = {folded[5]:.2f}")
    if args.out:
        draw(cell, poses, path, indices, args.out, args.size)
        print("wrote", args.out)


if __name__ == "__main__":
    main()
