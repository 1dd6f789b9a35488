import numpy as np
import pytest

from tools.meshgen.dimensions import CRX5IA, CRX10IA
from tools.meshgen.kinematics import fk_all

# J5 origin and flange centre at the check poses, and the flange normal where given
EXPECTED = [
    (CRX5IA, (0, 0, 0, 0, 0, 0), (430, -130, 410), (575, -130, 410), (1, 0, 0)),
    (CRX10IA, (0, 0, 0, 0, 0, 0), (540, -150, 540), (700, -150, 540), (1, 0, 0)),
    (CRX5IA, (0, 90, 0, 0, 0, 0), (840, -130, 0), (985, -130, 0), None),
    (CRX10IA, (0, 90, 0, 0, 0, 0), (1080, -150, 0), (1240, -150, 0), None),
    (CRX5IA, (0, 30, -30, 0, -90, 0), (577.39, -130, 140.07), (504.89, -130, 14.50), (-0.5, 0, -0.866)),
    (CRX10IA, (0, 30, -30, 0, -90, 0), (737.65, -150, 197.65), (657.65, -150, 59.09), (-0.5, 0, -0.866)),
    (
        CRX5IA,
        (45, -20, 40, 60, 30, 90),
        (128.56, 36.63, 747.92),
        (135.70, 132.57, 856.40),
        (0.049, 0.662, 0.748),
    ),
    (
        CRX10IA,
        (45, -20, 40, 60, 30, 90),
        (155.90, 49.83, 954.05),
        (163.78, 155.70, 1073.76),
        (0.049, 0.662, 0.748),
    ),
]


@pytest.mark.parametrize(("dims", "joints", "j5", "flange", "normal"), EXPECTED)
def test_check_poses(dims, joints, j5, flange, normal):
    frames = fk_all(dims, joints)
    np.testing.assert_allclose(frames[4][:3, 3], j5, atol=0.01)
    np.testing.assert_allclose(frames[5][:3, 3], flange, atol=0.01)
    if normal is not None:
        np.testing.assert_allclose(frames[5][:3, 2], normal, atol=0.001)


def test_crx10ia_frame_rows():
    f = fk_all(CRX10IA, (0, 30, -30, 0, 0, 0))
    np.testing.assert_allclose(f[2][:3, 3], (270, 0, 467.653718044), atol=1e-9)
    np.testing.assert_allclose(
        f[5],
        [
            [0.5, 0, 0.866025403784, 876.217782649],
            [0, -1, 0, -150],
            [0.866025403784, 0, -0.5, 117.653718044],
            [0, 0, 0, 1],
        ],
        atol=1e-9,
    )
