"""The target files the C++ timers read: one line per target, the robot's z1 x1 x2 y1 and then the
sixteen entries of the 4x4 flange pose, each as Python's repr so that C++ reads back every bit."""


def write_targets(out, robot, targets):
    dimensions = " ".join(repr(d) for d in (robot.z1, robot.x1, robot.x2, robot.y1))
    for target in targets:
        out.write(dimensions + " " + " ".join(repr(float(v)) for v in target.ravel()) + "\n")
