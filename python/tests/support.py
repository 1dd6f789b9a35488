"""What several test files share: a stand-in for objects with as_numpy(), a CRX-10iA cell's limits
and frames, and the messages the module's conversions give.

Imported as `support`: pytest puts this folder, which has no __init__.py, first on sys.path when it
loads the tests in it, whatever the working directory.
"""

import numpy as np
from talvane import pose_from_xyzwpr

GENERIC_JOINTS = [20, 30, -40, 50, 60, 70]

# The CRX-10iA's published ranges; J3 has no stroke of its own there, so it gets the range that
# J2 and J2 + J3 allow together.
LOWER = np.array([-190, -179.9, -250.9, -190, -179.9, -225])
UPPER = np.array([190, 179.9, 430.9, 190, 179.9, 225])
ELBOW = (-71.0, 251.0)
TOOL = pose_from_xyzwpr([10, -5, 180, 0, 15, 30])
USER_FRAME = pose_from_xyzwpr([600, -200, -100, 0, 0, 90])

NOT_RIGID = "Failed to convert matrix to isometry"


class AsNumpy:
    """Not an array itself: converts to `value` through as_numpy(), counting the calls."""

    def __init__(self, value):
        self.value = value
        self.calls = 0

    def as_numpy(self):
        self.calls += 1
        return self.value
