"""Follow a straight Cartesian line with the flange, keeping the arm in one configuration.

At each step the target is solved with `ik_closest`, using the joints of the previous step as the
reference. Of all the configurations that reach the target, that picks the one needing the least
joint motion, so the arm glides along the line instead of jumping between configurations.

    python examples/follow_path.py
    python examples/follow_path.py --move 0 200 0 --steps 100 --start 10 20 -10 15 -75 30
    python examples/follow_path.py --plot joints.png     # also draw the joint curves (needs matplotlib)
"""

import argparse

import numpy as np
import talvane


def follow_line(
    robot: talvane.Crx, start: np.ndarray, move: np.ndarray, steps: int
) -> tuple[np.ndarray, list[talvane.IkSolution]]:
    """Joints for `steps` equal steps of the flange along `move` (mm, base frame) from the pose at
    `start`, orientation held; row 0 is `start` itself. Raises if a point of the line is out of reach."""
    start_pose = robot.fk(start)
    joints = [np.asarray(start, dtype=float)]
    solutions = []
    for step in range(1, steps + 1):
        target = start_pose.copy()
        target[:3, 3] += move * (step / steps)
        solution = robot.ik_closest(target, joints[-1])
        if solution is None:
            raise ValueError(f"step {step}: the target {target[:3, 3]} is out of reach")
        joints.append(solution.joints)
        solutions.append(solution)
    return np.array(joints), solutions


def largest_step(path: np.ndarray) -> float:
    """Largest change of any joint between neighbouring rows, in degrees."""
    return float(np.max(np.abs(np.diff(path, axis=0))))


def plot_joints(path: np.ndarray, move_length: float, file: str) -> None:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    distance = np.linspace(0.0, move_length, len(path))
    fig, ax = plt.subplots(figsize=(7, 3.6), dpi=100)
    for j in range(6):
        ax.plot(distance, path[:, j], label=f"J{j + 1}")
    ax.set_xlabel("distance along the line (mm)")
    ax.set_ylabel("joint angle (degrees)")
    ax.set_title("Joints along a straight line, each step solved with ik_closest")
    ax.grid(alpha=0.3)
    ax.legend(ncol=6, fontsize=8, loc="upper center", bbox_to_anchor=(0.5, -0.18))
    fig.tight_layout()
    fig.savefig(file)
    plt.close(fig)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument(
        "--start", type=float, nargs=6, default=[10.0, 20.0, -10.0, 15.0, -75.0, 30.0], metavar="J"
    )
    parser.add_argument("--move", type=float, nargs=3, default=[0.0, 200.0, 0.0], metavar=("X", "Y", "Z"))
    parser.add_argument("--steps", type=int, default=100)
    parser.add_argument("--plot", metavar="PNG", help="also save a plot of the joints along the line")
    args = parser.parse_args()
    if args.steps < 1:
        parser.error("--steps must be at least 1")

    robot = talvane.Crx.crx10ia()
    move = np.array(args.move)
    path, solutions = follow_line(robot, np.array(args.start), move, args.steps)

    np.set_printoptions(precision=4, suppress=True)
    length = float(np.linalg.norm(move))
    print(f"Moved the flange {length:g} mm along {move} in {args.steps} steps of {length / args.steps:g} mm.")
    print("start joints:", path[0])
    print("end joints:  ", path[-1])
    print(f"largest joint step: {largest_step(path):.4f} degrees")
    print(f"largest residual:   {max(s.residual for s in solutions):.3e}")
    kinds = sorted({repr(s.kind) for s in solutions})
    print("solution kinds met:", ", ".join(kinds))

    # For contrast: the configurations this pose could also have been reached with. Jumping to any
    # of them would move some joint by tens of degrees in one step.
    others = robot.ik(robot.fk(path[-1]))
    gaps = np.max(np.abs((others - path[-1] + 180.0) % 360.0 - 180.0), axis=1)
    print(f"the end pose has {len(others)} solutions; the largest joint change to reach each of them:")
    print("  ", np.sort(gaps))
    if args.plot:
        plot_joints(path, length, args.plot)
        print("wrote", args.plot)


if __name__ == "__main__":
    main()
