"""Conversion of the `target` argument of the IK methods: accepted forms, shapes and rigidity."""

import numpy as np
import pytest
from talvane import Crx

from support import GENERIC_JOINTS, NOT_RIGID, AsNumpy

NOT_AN_ARRAY = "Expected a 4x4 array, or an object with an as_numpy() method"


@pytest.fixture
def target(crx10ia):
    return crx10ia.fk(GENERIC_JOINTS)


def ik_methods(robot):
    return [robot.ik, robot.ik_detailed, lambda t: robot.ik_closest(t, [0] * 6)]


def orthonormalised_rows(matrix):
    """Gram-Schmidt on the rows of the rotation block, in float64."""
    result = matrix.copy()
    rows = [result[r, :3].copy() for r in range(3)]
    for r in range(3):
        for p in range(r):
            rows[r] -= rows[r].dot(rows[p]) * rows[p]
        rows[r] /= np.sqrt(rows[r].dot(rows[r]))
        result[r, :3] = rows[r]
    return result


def strided_view(matrix):
    big = np.zeros((8, 12))
    big[::2, ::3] = matrix
    return big[::2, ::3]


def read_only(matrix):
    matrix = matrix.copy()
    matrix.flags.writeable = False
    return matrix


# Each turns a float64 target into another object that must convert to the same 16 values.
SAME_TARGET_FORMS = {
    "nested list": lambda m: m.tolist(),
    "nested tuple": lambda m: tuple(tuple(row) for row in m),
    "fortran order": np.asfortranarray,
    "transposed view": lambda m: m.T.copy().T,
    "strided view": strided_view,
    "big-endian": lambda m: m.astype(">f8"),
    "read-only": read_only,
    "as_numpy array": AsNumpy,
    "as_numpy list": lambda m: AsNumpy(m.tolist()),
    # NumPy's asarray casts these to float64 as well, although not by a safe cast.
    "object array": lambda m: m.astype(object),
    "longdouble array": lambda m: m.astype(np.longdouble),
}


@pytest.mark.parametrize("form", SAME_TARGET_FORMS.values(), ids=SAME_TARGET_FORMS.keys())
def test_equivalent_forms_give_the_same_solutions(crx10ia, target, form):
    expected = crx10ia.ik(target)
    assert expected.shape == (8, 6)
    np.testing.assert_array_equal(crx10ia.ik(form(target)), expected)


@pytest.mark.parametrize(
    "identity",
    [
        np.eye(4, dtype=int).tolist(),
        np.eye(4, dtype=np.int32),
        np.eye(4, dtype=np.float32),
        np.eye(4, dtype=bool),
    ],
    ids=["int list", "int32 array", "float32 array", "bool array"],
)
def test_non_float64_identity_is_accepted(crx10ia, identity):
    np.testing.assert_array_equal(crx10ia.ik(identity), crx10ia.ik(np.eye(4)))


def test_as_numpy_is_called_once_and_wins_over_the_object_itself(crx10ia, target):
    class ArrayWithAsNumpy(AsNumpy):
        def __array__(self, dtype=None, copy=None):
            return target

    wrapped = ArrayWithAsNumpy(np.eye(3))
    with pytest.raises(ValueError, match=r"^Expected a 4x4 transformation matrix, got shape \[3, 3\]$"):
        crx10ia.ik(wrapped)
    assert wrapped.calls == 1


def test_as_numpy_lookup_errors(crx10ia, target):
    class MissingAsNumpy:
        @property
        def as_numpy(self):
            raise AttributeError("not here")

        def __array__(self, dtype=None, copy=None):
            return target

    class BrokenAsNumpy:
        @property
        def as_numpy(self):
            raise KeyError("lookup")

    class RaisingAsNumpy:
        def as_numpy(self):
            raise RuntimeError("no pose today")

    # An AttributeError from the lookup means "no as_numpy": the object itself is converted.
    np.testing.assert_array_equal(crx10ia.ik(MissingAsNumpy()), crx10ia.ik(target))
    with pytest.raises(KeyError, match="lookup"):
        crx10ia.ik(BrokenAsNumpy())
    with pytest.raises(RuntimeError, match=r"^no pose today$"):
        crx10ia.ik(RaisingAsNumpy())
    with pytest.raises(TypeError, match="not callable"):
        crx10ia.ik(type("NotCallable", (), {"as_numpy": 5})())


@pytest.mark.parametrize(
    "value",
    [
        list(range(16)),
        np.zeros((2, 4, 4)),
        np.eye(4).ravel(),
        5.0,
        None,
        "abc",
        [[1, 0, 0, 0], [0, 1, 0], [0, 0, 1, 0], [0, 0, 0, 1]],
        {"a": 1},
        AsNumpy(np.zeros(16)),
        AsNumpy(object()),
    ],
    ids=[
        "flat list",
        "(2, 4, 4)",
        "flat array",
        "scalar",
        "None",
        "string",
        "ragged",
        "dict",
        "as_numpy flat",
        "as_numpy object",
    ],
)
def test_not_a_matrix(crx10ia, value):
    for method in ik_methods(crx10ia):
        with pytest.raises(ValueError) as info:  # noqa: PT011 - the whole message is compared below
            method(value)
        assert str(info.value) == NOT_AN_ARRAY
        # NumPy's own complaint is not chained to the module's error.
        assert info.value.__context__ is None and info.value.__cause__ is None


@pytest.mark.parametrize(
    ("shape", "text"),
    [((3, 3), "[3, 3]"), ((4, 3), "[4, 3]"), ((5, 4), "[5, 4]"), ((0, 4), "[0, 4]"), ((1, 16), "[1, 16]")],
)
def test_wrong_shape(crx10ia, shape, text):
    for method in ik_methods(crx10ia):
        with pytest.raises(ValueError) as info:  # noqa: PT011 - the whole message is compared below
            method(np.zeros(shape))
        assert str(info.value) == f"Expected a 4x4 transformation matrix, got shape {text}"


def with_change(matrix, index, value=None, delta=None):
    matrix = matrix.copy()
    matrix[index] = value if delta is None else matrix[index] + delta
    return matrix


REJECTED = {
    "float32 rounding": lambda m: m.astype(np.float32).astype(np.float64),
    "reflection": lambda m: m @ np.diag([1.0, 1.0, -1.0, 1.0]),
    "next double above 1 in the corner": lambda m: with_change(m, (3, 3), np.nextafter(1.0, 2.0)),
    "1e-13 on the diagonal": lambda m: with_change(m, (1, 1), delta=1e-13),
    "scaled": lambda m: m @ np.diag([2.0, 2.0, 2.0, 1.0]),
    "sheared": lambda m: with_change(m, (0, 1), delta=0.1),
    "bottom row": lambda m: with_change(m, (3, 0), 1e-300),
    "NaN rotation": lambda m: with_change(m, (2, 2), np.nan),
    "infinite rotation": lambda m: with_change(m, (0, 0), np.inf),
}


@pytest.mark.parametrize("change", REJECTED.values(), ids=REJECTED.keys())
def test_non_rigid_rejected(crx10ia, target, change):
    for method in ik_methods(crx10ia):
        with pytest.raises(ValueError) as info:  # noqa: PT011 - the whole message is compared below
            method(change(target))
        assert str(info.value) == NOT_RIGID


def test_float32_rotation_reorthonormalised_is_accepted(crx10ia, target):
    rounded = target.astype(np.float32).astype(np.float64)
    solutions = crx10ia.ik(orthonormalised_rows(rounded))
    assert solutions.shape[0] > 0
    # The solutions reach the float32 pose to within its rounding.
    for joints in solutions:
        np.testing.assert_allclose(crx10ia.fk(joints), rounded, rtol=0, atol=1e-4)


ACCEPTED = {
    "3e-15 off the diagonal": (lambda m: with_change(m, (0, 1), delta=3e-15), True),
    "negative zero bottom row": (lambda m: with_change(with_change(m, (3, 0), -0.0), (3, 2), -0.0), True),
    "translation of 1e12": (lambda m: with_change(m, (0, 3), 1e12), False),
    "NaN translation": (lambda m: with_change(m, (1, 3), np.nan), False),
    "infinite translation": (lambda m: with_change(m, (2, 3), -np.inf), False),
}


@pytest.mark.parametrize(("change", "reachable"), ACCEPTED.values(), ids=ACCEPTED.keys())
def test_accepted_without_error(crx10ia, target, change, reachable):
    changed = change(target)
    assert crx10ia.ik(changed).shape == ((8, 6) if reachable else (0, 6))
    assert (crx10ia.ik_closest(changed, [0] * 6) is not None) == reachable


def test_converted_pose_matches_the_input(rng):
    # The pose handed to the solver is the input's: fk of each solution reproduces the matrix.
    robot = Crx.crx5ia()
    for _ in range(20):
        target = robot.fk(rng.uniform(-170, 170, 6))
        for joints in robot.ik(np.asfortranarray(target)):
            np.testing.assert_allclose(robot.fk(joints), target, rtol=0, atol=1e-8)
