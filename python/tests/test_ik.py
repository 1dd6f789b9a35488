"""The IK methods of Crx and the result classes IkSolution and SolutionKind."""

import inspect
import math
import re

import numpy as np
import pytest
import talvane
from talvane import Crx, IkSolution, SolutionKind

from support import AsNumpy

WORKED_JOINTS = [20, 30, -40, 50, 60, 70]
WORKED_TWIN = [-160, -30, -140, -130, 60, 70]
WORKED_FIRST = [20.8256, 119.0786, -290.1163, -44.3167, -69.1029, 120.1450]
WORKED_THETAS = [0.5261, -2.1310, -0.3491, 2.2055]
UNREACHABLE = np.array([[1.0, 0, 0, 5000], [0, 1, 0, 0], [0, 0, 1, 0], [0, 0, 0, 1]])
MODELS = ["crx3ia", "crx5ia", "crx10ia", "crx10ial", "crx30ia"]


@pytest.fixture
def worked_target(crx10ia):
    return crx10ia.fk(WORKED_JOINTS)


def wrapped_distance(a, b):
    """Largest circular joint difference in radians; NaN differences do not count."""
    d = np.radians(np.asarray(a, dtype=float) - np.asarray(b, dtype=float))
    d = np.abs((d + np.pi) % (2 * np.pi) - np.pi)
    return float(np.max(np.where(np.isnan(d), 0.0, d)))


def random_targets(robot, rng, count):
    return [robot.fk(rng.uniform(-170, 170, 6)) for _ in range(count)]


def test_worked_case(crx10ia, worked_target):
    solutions = crx10ia.ik_detailed(worked_target)
    assert len(solutions) == 8
    np.testing.assert_allclose([s.theta for s in solutions], np.repeat(WORKED_THETAS, 2), atol=5e-5)
    assert all(s.kind is SolutionKind.Regular for s in solutions)
    assert all(0 <= s.residual < 1e-12 for s in solutions)
    np.testing.assert_allclose(solutions[0].joints, WORKED_FIRST, atol=5e-5)
    np.testing.assert_allclose(solutions[4].joints, WORKED_JOINTS, atol=1e-9)
    np.testing.assert_allclose(solutions[5].joints, WORKED_TWIN, atol=1e-9)


@pytest.mark.parametrize(
    ("reference", "expected_index"),
    [([0, 0, 0, 0, 0, 0], 4), (WORKED_TWIN, 5), ([10, 120, -290, -40, -70, 120], 0)],
)
def test_worked_closest(crx10ia, worked_target, reference, expected_index):
    expected = crx10ia.ik_detailed(worked_target)[expected_index]
    closest = crx10ia.ik_closest(worked_target, reference)
    np.testing.assert_array_equal(closest.joints, expected.joints)
    assert (closest.residual, closest.theta, closest.kind) == (
        expected.residual,
        expected.theta,
        expected.kind,
    )
    if expected_index == 4:
        assert math.isclose(wrapped_distance(closest.joints, reference), math.radians(70), rel_tol=1e-9)


@pytest.mark.parametrize("model", MODELS)
def test_ik_and_ik_detailed_agree_and_reach_the_target(model, rng):
    robot = getattr(Crx, model)()
    for target in random_targets(robot, rng, 15):
        rows = robot.ik(target)
        detailed = robot.ik_detailed(target)
        assert rows.dtype == np.float64 and rows.shape == (len(detailed), 6) and rows.flags.c_contiguous
        assert isinstance(detailed, list) and all(type(s) is IkSolution for s in detailed)
        for row, solution in zip(rows, detailed):
            np.testing.assert_array_equal(row, solution.joints)
            assert 0 <= solution.residual <= 1e-8
            np.testing.assert_allclose(robot.fk(row), target, rtol=0, atol=1e-8)


def test_generating_joints_are_among_the_solutions(crx10ia, rng):
    for _ in range(20):
        joints = rng.uniform(-170, 170, 6)
        rows = crx10ia.ik(crx10ia.fk(joints))
        assert min(wrapped_distance(row, joints) for row in rows) < 1e-5


@pytest.mark.parametrize(
    "dimensions",
    [
        (540, 540, 160, -150),  # the mirror image of the CRX-10iA
        (-540, 540, -160, 150),
        (540, -480, -160, -150),
        (540, 540, 160, 0),  # no lateral offset
        (540, 540, 0, 150),  # the flange at the J5 origin
        (540, 540, 0, 0),
    ],
)
def test_generating_joints_are_among_the_solutions_of_other_arms(dimensions, rng):
    robot = Crx.from_params(*dimensions)
    for _ in range(20):
        joints = rng.uniform(-170, 170, 6)
        target = robot.fk(joints)
        rows = robot.ik(target)
        assert min(wrapped_distance(row, joints) for row in rows) < 1e-5
        for row in rows:
            np.testing.assert_allclose(robot.fk(row), target, rtol=0, atol=1e-8)


@pytest.mark.parametrize("model", MODELS)
def test_ik_closest_follows_the_first_smallest_distance(model, rng):
    robot = getattr(Crx, model)()
    targets = random_targets(robot, rng, 10)
    for target in targets:
        detailed = robot.ik_detailed(target)
        for reference in (rng.uniform(-180, 180, 6), [0] * 6, detailed[-1].joints + 360.0):
            distances = [wrapped_distance(s.joints, reference) for s in detailed]
            expected = detailed[int(np.argmin(distances))]  # argmin picks the first of equal minima
            closest = robot.ik_closest(target, reference)
            np.testing.assert_array_equal(closest.joints, expected.joints)
            assert (closest.residual, closest.theta, closest.kind) == (
                expected.residual,
                expected.theta,
                expected.kind,
            )


def test_ik_closest_reference_forms(crx10ia, worked_target):
    twin = crx10ia.ik_detailed(worked_target)[5].joints
    for reference in (
        tuple(WORKED_TWIN),
        np.array(WORKED_TWIN, dtype=np.float32),
        twin - 720.0,
        np.repeat(twin, 2)[::2],
        [np.float32(v) for v in WORKED_TWIN],
    ):
        np.testing.assert_array_equal(crx10ia.ik_closest(worked_target, reference).joints, twin)
    # A NaN joint does not count towards the distance; the others still choose.
    assert crx10ia.ik_closest(worked_target, [math.nan, *WORKED_TWIN[1:]]) is not None
    np.testing.assert_array_equal(
        crx10ia.ik_closest(reference=WORKED_TWIN, target=worked_target).joints, twin
    )


def test_unreachable_target(crx10ia):
    rows = crx10ia.ik(UNREACHABLE)
    assert rows.shape == (0, 6) and rows.dtype == np.float64
    assert crx10ia.ik_detailed(UNREACHABLE) == []
    assert crx10ia.ik_closest(UNREACHABLE, [0] * 6) is None


@pytest.mark.parametrize(
    ("target_value", "reference", "exception", "message", "target_converted"),
    [
        # A non-numeric reference fails before the target is looked at.
        (np.zeros((3, 3)), [[1, 2, 3], [4, 5, 6]], TypeError, r"^argument 'reference': ", False),
        (np.zeros((3, 3)), object(), TypeError, r"^float\(\) argument must be", False),
        (np.zeros((3, 3)), "abc", ValueError, "could not convert string to float", False),
        # A reference of the wrong length is reported only once the target has converted.
        (
            np.zeros((3, 3)),
            [0] * 5,
            ValueError,
            r"^Expected a 4x4 transformation matrix, got shape \[3, 3\]$",
            True,
        ),
        (np.eye(4), [0] * 5, ValueError, r"^Expected 6 joint angles, got 5$", True),
        (UNREACHABLE, [0] * 7, ValueError, r"^Expected 6 joint angles, got 7$", True),
        (np.eye(4), np.zeros(5), ValueError, r"^Expected 6 joint angles, got 5$", True),
    ],
)
def test_ik_closest_checks_reference_and_target_in_order(
    crx10ia, target_value, reference, exception, message, target_converted
):
    target = AsNumpy(target_value)
    with pytest.raises(exception, match=message):
        crx10ia.ik_closest(target, reference)
    assert target.calls == int(target_converted)


@pytest.mark.parametrize(
    ("call", "message"),
    [
        (lambda r: r.ik(), "Crx.ik() missing 1 required positional argument: 'target'"),
        (lambda r: r.ik(np.eye(4), 1), "Crx.ik() takes 1 positional arguments but 2 were given"),
        (
            lambda r: r.ik_detailed(pose=np.eye(4)),
            "Crx.ik_detailed() got an unexpected keyword argument 'pose'",
        ),
        (
            lambda r: r.ik_closest(np.eye(4)),
            "Crx.ik_closest() missing 1 required positional argument: 'reference'",
        ),
        (
            lambda r: r.ik_closest(),
            "Crx.ik_closest() missing 2 required positional arguments: 'target' and 'reference'",
        ),
        (
            lambda r: r.ik_closest(np.eye(4), [0] * 6, target=np.eye(4)),
            "Crx.ik_closest() got multiple values for argument 'target'",
        ),
    ],
)
def test_call_errors(crx10ia, call, message):
    with pytest.raises(TypeError) as info:
        call(crx10ia)
    assert str(info.value) == message


@pytest.mark.parametrize("method", [Crx.ik, Crx.ik_detailed, Crx.ik_closest])
def test_self_must_be_a_crx(method):
    with pytest.raises(TypeError):
        method(talvane.CrxModel.Crx10iA, np.eye(4), [0] * 6)


def test_text_signatures():
    assert str(inspect.signature(Crx.ik)) == "(self, /, target)"
    assert str(inspect.signature(Crx.ik_detailed)) == "(self, /, target)"
    assert str(inspect.signature(Crx.ik_closest)) == "(self, /, target, reference)"
    assert Crx.ik.__doc__.startswith("Every joint configuration which puts the flange at `target`")
    assert Crx.ik_detailed.__doc__ == "The same solutions as `ik`, each carrying its residual and its kind."
    assert IkSolution.__doc__ == "One inverse kinematics solution and its diagnostics."
    assert SolutionKind.__doc__ == "The configuration category of a solution."
    assert IkSolution.theta.__doc__ == (
        "The angle on the wrist center's circle that produced the solution, kept for diagnostics."
    )


def test_module_registration():
    expected = ["Crx", "CrxModel", "IkSolution", "LinkMesh", "LinkMeshes", "SolutionKind"]
    # The six classes come first; later additions follow them.
    assert talvane.__all__[: len(expected)] == expected
    assert {"IkSolution", "SolutionKind"} <= set(talvane.__all__)
    assert IkSolution.__module__ == SolutionKind.__module__ == "talvane"


def python_repr(solution):
    """The representation rebuilt with Python's formatting: 4 decimals, then a bare exponent."""
    mantissa, exponent = f"{solution.residual:.3e}".split("e")
    joints = ", ".join(f"{value:.4f}" for value in solution.joints)
    return (
        f"IkSolution(joints=[{joints}], residual={mantissa}e{int(exponent)}, kind={repr(solution.kind)[13:]})"
    )


def test_representation(crx10ia, rng):
    exact = crx10ia.ik_detailed(crx10ia.fk([0, 0, 0, 0, -90, 0]))
    assert (
        "IkSolution(joints=[0.0000, 0.0000, 0.0000, 0.0000, -90.0000, 0.0000], "
        "residual=0.000e0, kind=Regular)" in [repr(s) for s in exact]
    )
    solutions = [s for target in random_targets(crx10ia, rng, 10) for s in crx10ia.ik_detailed(target)]
    for solution in solutions:
        assert repr(solution) == str(solution) == python_repr(solution)
    assert re.fullmatch(
        r"IkSolution\(joints=\[20\.8256, 119\.0786, -290\.1163, -44\.3167, -69\.1029, 120\.1450\], "
        r"residual=\d\.\d{3}e-\d+, kind=Regular\)",
        repr(crx10ia.ik_detailed(crx10ia.fk(WORKED_JOINTS))[0]),
    )


# Joint vectors whose targets give, among their solutions, one of each non-regular kind.
KIND_EXAMPLES = [
    ("AxisDegenerate", 1, [0, -60, 30, 0, -90, 0]),
    ("SingularFamily", 2, [0, -60, -30, 0, -90, 0]),
]


@pytest.mark.parametrize(("name", "value", "joints"), KIND_EXAMPLES)
def test_non_regular_kinds(crx10ia, name, value, joints):
    target = crx10ia.fk(joints)
    kinds = [s.kind for s in crx10ia.ik_detailed(target)]
    member = getattr(SolutionKind, name)
    assert any(kind is member for kind in kinds)
    found = next(s for s in crx10ia.ik_detailed(target) if s.kind == value)
    assert repr(found).endswith(f", kind={name})")
    np.testing.assert_allclose(crx10ia.fk(found.joints), target, rtol=0, atol=1e-8)


def test_solution_properties(crx10ia, worked_target):
    solution = crx10ia.ik_closest(worked_target, WORKED_JOINTS)
    first, second = solution.joints, solution.joints
    assert first is not second and first.dtype == np.float64 and first.shape == (6,)
    np.testing.assert_array_equal(first, second)
    first[:] = 0.0
    np.testing.assert_array_equal(second, solution.joints)
    np.testing.assert_allclose(solution.joints, WORKED_JOINTS, atol=1e-9)
    assert type(solution.residual) is float and type(solution.theta) is float
    assert solution.kind is SolutionKind.Regular
    for name in ("joints", "residual", "kind", "theta"):
        with pytest.raises(AttributeError):
            setattr(solution, name, 0)
    # No comparison of its own: equal contents are still two objects.
    again = crx10ia.ik_closest(worked_target, WORKED_JOINTS)
    assert solution != again and solution.__eq__(again) is NotImplemented


@pytest.mark.parametrize(("name", "value"), [("Regular", 0), ("AxisDegenerate", 1), ("SingularFamily", 2)])
def test_solution_kind_members(name, value):
    member = getattr(SolutionKind, name)
    assert member is getattr(SolutionKind, name)
    assert int(member) == value
    assert repr(member) == str(member) == f"SolutionKind.{name}"
    assert member == value and member == np.int64(value) and member != value + 1
    assert member == getattr(SolutionKind, name) and member != "Regular" and (member == float(value)) is False


def test_solution_kind_comparisons():
    assert SolutionKind.Regular == 0 and SolutionKind.Regular == False  # noqa: E712 - bool converts to an integer
    assert SolutionKind.Regular != SolutionKind.AxisDegenerate
    with pytest.raises(TypeError):
        SolutionKind.Regular < SolutionKind.AxisDegenerate  # noqa: B015
    with pytest.raises(TypeError):
        SolutionKind.SingularFamily >= 1  # noqa: B015
    with pytest.raises(TypeError):
        hash(SolutionKind.Regular)
    with pytest.raises(TypeError):
        [0, 1, 2][SolutionKind.AxisDegenerate]


@pytest.mark.parametrize("cls", [IkSolution, SolutionKind])
def test_classes_cannot_be_created_or_subclassed(cls):
    with pytest.raises(TypeError, match=rf"^cannot create 'talvane.{cls.__name__}' instances$"):
        cls()
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})
