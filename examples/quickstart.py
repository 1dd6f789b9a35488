"""A first tour of talvane on a CRX-10iA: forward kinematics, every inverse-kinematics solution of
the resulting pose with its kind, and the solution nearest to the joints the robot is at now.

    python examples/quickstart.py
"""

import numpy as np
import talvane

np.set_printoptions(precision=4, suppress=True)

robot = talvane.Crx.crx10ia()  # or Crx.from_model(CrxModel.Crx10iA), or Crx.from_params(540, 540, 160, 150)
joints = [20, 30, -40, 50, 60, 70]  # degrees, exactly as the controller shows them

# Forward kinematics: a 4x4 homogeneous matrix in millimetres, row-major.
pose = robot.fk(joints)
print("Flange pose for J =", joints)
print(pose)
print("Frame origins of the chain, frame 0 (J1) to frame 5 (flange), mm:")
print(robot.fk_all(joints)[:, :3, 3])

# Inverse kinematics: every configuration that puts the flange at this pose.
solutions = robot.ik_detailed(pose)
print(f"\n{len(solutions)} joint configurations reach this pose:")
for number, solution in enumerate(solutions):
    print(f"  {number}: {solution}")

# The same joints as one (n, 6) array, when residuals and kinds do not matter.
print("ik() gives an array of shape", robot.ik(pose).shape)

# The robot is at these joints now; which solution of a slightly moved target needs the least motion?
current = np.array(joints, dtype=float)
target = pose.copy()
target[:3, 3] += [0.0, 0.0, 5.0]  # 5 mm straight up, same orientation
closest = robot.ik_closest(target, current)
if closest is None:
    raise SystemExit("the moved target is out of reach")
print("\nClosest solution to the current joints for the target 5 mm higher:")
print(f"  {closest}")
print("  joint motion, degrees:", closest.joints - current)

# A target out of reach is not an error: no solutions.
far = pose.copy()
far[:3, 3] = [5000.0, 0.0, 0.0]
print(
    "\nSolutions for a target 5 m away:", robot.ik(far).shape, "and closest:", robot.ik_closest(far, current)
)
