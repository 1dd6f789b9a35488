"""Forward kinematics of a CRX-10iA: the flange pose and the frames of the chain."""

import numpy as np

import talvane

robot = talvane.Crx.crx10ia()
joints = [20, 30, -40, 50, 60, 70]  # degrees, as the controller shows them

np.set_printoptions(precision=4, suppress=True)
print("Flange pose (mm):")
print(robot.fk(joints))
print("Frame origins of the chain (mm):")
print(robot.fk_all(joints)[:, :3, 3])
