import inspect

import numpy as np
import pytest
import talvane
from talvane import Crx, CrxModel

MODELS = [
    ("Crx3iA", 0, "crx3ia", (280.0, 280.0, 123.0, 111.0)),
    ("Crx5iA", 1, "crx5ia", (410.0, 430.0, 145.0, 130.0)),
    ("Crx10iA", 2, "crx10ia", (540.0, 540.0, 160.0, 150.0)),
    ("Crx10iAL", 3, "crx10ial", (710.0, 540.0, 160.0, 150.0)),
    ("Crx20iAL", 4, "crx20ial", (710.0, 540.0, 160.0, 150.0)),
    ("Crx30iA", 5, "crx30ia", (950.0, 750.0, 180.0, 185.0)),
]


def dimensions(robot):
    return (robot.z1, robot.x1, robot.x2, robot.y1)


def test_module_surface():
    assert (
        talvane.__doc__ == "Forward and inverse kinematics for the FANUC CRX series of collaborative robots."
    )
    assert talvane.__all__[:2] == ["Crx", "CrxModel"]
    assert all(getattr(talvane, name).__module__ == "talvane" for name in talvane.__all__)


@pytest.mark.parametrize(("name", "value", "constructor", "dims"), MODELS)
def test_catalogue(name, value, constructor, dims):
    member = getattr(CrxModel, name)
    assert member is getattr(CrxModel, name)
    assert int(member) == value
    assert repr(member) == str(member) == f"CrxModel.{name}"
    assert member == value and member != value + 1
    assert dimensions(Crx.from_model(member)) == dims
    assert dimensions(getattr(Crx, constructor)()) == dims
    assert all(type(d) is float for d in dimensions(Crx.from_model(model=member)))


def test_model_comparisons():
    assert CrxModel.Crx10iAL == CrxModel.Crx10iAL
    assert CrxModel.Crx10iAL != CrxModel.Crx20iAL
    assert CrxModel.Crx10iAL == 3 and CrxModel.Crx10iAL == np.int64(3)
    assert CrxModel.Crx5iA == True  # noqa: E712 - bool converts to an integer
    assert CrxModel.Crx5iA != "Crx5iA" and not (CrxModel.Crx5iA == 1.0)  # noqa: SIM201 - == itself, not !=
    with pytest.raises(TypeError):
        CrxModel.Crx5iA < CrxModel.Crx10iA  # noqa: B015
    with pytest.raises(TypeError):
        CrxModel.Crx5iA >= 1  # noqa: B015
    with pytest.raises(TypeError):
        hash(CrxModel.Crx5iA)
    with pytest.raises(TypeError):
        {CrxModel.Crx5iA}  # noqa: B018 - building the set is the test
    assert not hasattr(CrxModel, "__iter__")
    assert not hasattr(CrxModel.Crx5iA, "name") and not hasattr(CrxModel.Crx5iA, "value")


@pytest.mark.parametrize("cls", [Crx, CrxModel])
def test_classes_cannot_be_created_or_subclassed(cls):
    with pytest.raises(TypeError, match=rf"^cannot create 'talvane.{cls.__name__}' instances$"):
        cls()
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})


def test_crx_has_identity_semantics():
    a, b = Crx.crx10ia(), Crx.crx10ia()
    assert a != b and a == a
    assert "talvane.Crx object" in repr(a)


def test_from_params_accepts_anything_float_converts():
    class Index:
        def __index__(self):
            return 7

    robot = Crx.from_params(np.float32(540), 540, x2=True, y1=Index())
    assert dimensions(robot) == (540.0, 540.0, 1.0, 7.0)
    assert Crx.from_params(-1, 0, 0, 0).z1 == -1.0
    assert np.isnan(Crx.from_params(float("nan"), 0, 0, 0).z1)


@pytest.mark.parametrize("attribute", ["z1", "x1", "x2", "y1"])
def test_dimensions_are_read_only(attribute):
    with pytest.raises(AttributeError):
        setattr(Crx.crx5ia(), attribute, 1.0)


@pytest.mark.parametrize(
    ("call", "exception", "message"),
    [
        (
            lambda: Crx.from_model(2),
            TypeError,
            "argument 'model': 'int' object is not an instance of 'CrxModel'",
        ),
        (
            lambda: Crx.from_model(None),
            TypeError,
            "argument 'model': 'None' is not an instance of 'CrxModel'",
        ),
        (
            lambda: Crx.from_model(),
            TypeError,
            "Crx.from_model() missing 1 required positional argument: 'model'",
        ),
        (
            lambda: Crx.from_params(1, 2),
            TypeError,
            "Crx.from_params() missing 2 required positional arguments: 'x2' and 'y1'",
        ),
        (
            lambda: Crx.from_params(),
            TypeError,
            "Crx.from_params() missing 4 required positional arguments: 'z1', 'x1', 'x2', and 'y1'",
        ),
        (
            lambda: Crx.from_params(1, 2, 3, 4, 5),
            TypeError,
            "Crx.from_params() takes 4 positional arguments but 5 were given",
        ),
        (
            lambda: Crx.from_params(1, 2, 3, z1=4),
            TypeError,
            "Crx.from_params() got multiple values for argument 'z1'",
        ),
        (
            lambda: Crx.from_params(1, 2, 3, 4, w=4),
            TypeError,
            "Crx.from_params() got an unexpected keyword argument 'w'",
        ),
        (lambda: Crx.from_params(1, "2", 3, 4), TypeError, "argument 'x1': must be real number, not str"),
        (lambda: Crx.crx10ia().fk(), TypeError, "Crx.fk() missing 1 required positional argument: 'joints'"),
        (
            lambda: Crx.crx10ia().fk([0] * 6, [0] * 6),
            TypeError,
            "Crx.fk() takes 1 positional arguments but 2 were given",
        ),
        (
            lambda: Crx.crx10ia().fk_all(joint=[0] * 6),
            TypeError,
            "Crx.fk_all() got an unexpected keyword argument 'joint'",
        ),
    ],
)
def test_call_errors(call, exception, message):
    with pytest.raises(exception) as info:
        call()
    assert str(info.value) == message


def test_model_constructors_take_no_arguments():
    with pytest.raises(TypeError):
        Crx.crx10ia(1)


def test_conversion_error_keeps_the_cause():
    class Bad:
        def __float__(self):
            try:
                raise KeyError("inner")
            except KeyError as inner:
                raise TypeError("no float here") from inner

    with pytest.raises(TypeError) as info:
        Crx.from_params(Bad(), 1, 1, 1)
    assert str(info.value) == "argument 'z1': no float here"
    assert isinstance(info.value.__cause__, KeyError)


def test_text_signatures():
    assert str(inspect.signature(Crx.from_params)) == "(z1, x1, x2, y1)"
    assert str(inspect.signature(Crx.from_model)) == "(model)"
    assert str(inspect.signature(Crx.crx10ia)) == "()"
    assert str(inspect.signature(Crx.fk)) == "(self, /, joints)"
    assert Crx.fk_all.__doc__.startswith("Compute the pose of every frame in the kinematic chain")
    assert Crx.z1.__doc__ == "The height of the J3 origin above the J2 origin, in millimeters."


@pytest.mark.parametrize(("cls", "member"), [(CrxModel, "Crx5iA"), (talvane.SolutionKind, "Regular")])
def test_enumeration_members_cannot_be_rebound(cls, member):
    original = getattr(cls, member)
    with pytest.raises(TypeError):
        setattr(cls, member, 3)
    with pytest.raises(TypeError):
        delattr(cls, member)
    with pytest.raises(TypeError):
        cls.extra = original
    assert getattr(cls, member) is original
