"""Pickling and copies of every class: exact round trips, the same enumeration members, and no
class that Python can create."""

import copy
import pickle

import numpy as np
import pytest
import talvane
from talvane import Crx, CrxModel, IkSolution, LinkMesh, LinkMeshes, SolutionKind

PROTOCOLS = range(pickle.HIGHEST_PROTOCOL + 1)
MEMBERS = [
    getattr(CrxModel, name) for name in ("Crx3iA", "Crx5iA", "Crx10iA", "Crx10iAL", "Crx20iAL", "Crx30iA")
]
MEMBERS += [getattr(SolutionKind, name) for name in ("Regular", "AxisDegenerate", "SingularFamily")]


def round_trip(value, protocol):
    return pickle.loads(pickle.dumps(value, protocol))


@pytest.mark.parametrize("protocol", PROTOCOLS)
@pytest.mark.parametrize("member", MEMBERS, ids=repr)
def test_members_come_back_as_the_same_object(member, protocol):
    assert round_trip(member, protocol) is member
    assert copy.copy(member) is member and copy.deepcopy([member])[0] is member


def solutions_of_every_kind(robot):
    found = []
    for joints in ([20, 30, -40, 50, 60, 70], [0, -60, 30, 0, -90, 0], [0, -60, -30, 0, -90, 0]):
        found += robot.ik_detailed(robot.fk(joints))
    assert {int(s.kind) for s in found} == {0, 1, 2}
    return found


@pytest.mark.parametrize("protocol", PROTOCOLS)
def test_ik_solutions_round_trip_exactly(crx10ia, protocol):
    solutions = solutions_of_every_kind(crx10ia)
    restored = round_trip(solutions, protocol)
    for a, b in zip(solutions, restored):
        assert type(b) is IkSolution and b is not a
        assert a.joints.tobytes() == b.joints.tobytes()
        assert (a.residual, a.theta) == (b.residual, b.theta) and b.kind is a.kind
        assert repr(a) == repr(b)


@pytest.mark.parametrize("protocol", PROTOCOLS)
@pytest.mark.parametrize("model", [CrxModel.Crx5iA, CrxModel.Crx10iA], ids=repr)
def test_meshes_round_trip_exactly(model, protocol):
    meshes = LinkMeshes.load(model)
    restored = round_trip(meshes, protocol)
    assert type(restored) is LinkMeshes and len(restored) == 7
    for a, b in zip(meshes.links, restored.links):
        assert a.vertices.tobytes() == b.vertices.tobytes() and a.faces.tobytes() == b.faces.tobytes()
    # A moved mesh is not one of the embedded ones, and keeps its own vertices.
    moved = meshes[3].transformed(Crx.crx10ia().fk([10, 20, 30, 40, 50, 60]))
    again = round_trip(moved, protocol)
    assert type(again) is LinkMesh and again.vertices.tobytes() == moved.vertices.tobytes()
    assert repr(again) == repr(moved)


def test_an_empty_mesh_round_trips():
    empty = talvane._restore_link_mesh(b"", b"")
    assert round_trip(empty, pickle.HIGHEST_PROTOCOL).vertex_count == 0


def test_copies_of_immutable_objects_are_the_objects_themselves(crx10ia):
    solution = crx10ia.ik_detailed(crx10ia.fk([20, 30, -40, 50, 60, 70]))[0]
    meshes = LinkMeshes.load(CrxModel.Crx5iA)
    for value in (solution, meshes, meshes[0]):
        assert copy.copy(value) is value and copy.deepcopy(value) is value


@pytest.mark.parametrize(
    ("call", "error", "message"),
    [
        (
            lambda: talvane._restore_link_mesh(b"\0" * 23, b""),
            ValueError,
            "23 bytes are not a whole number of rows",
        ),
        (lambda: talvane._restore_link_mesh(b"", b"\0" * 13), ValueError, "13 bytes are not a whole number"),
        (
            lambda: talvane._restore_link_mesh(b"\0" * 48, np.array([0, 1, 2], np.uint32).tobytes()),
            ValueError,
            "index 2 is past the 2 vertices",
        ),
        (lambda: talvane._restore_link_mesh("abc", b""), TypeError, "argument 'vertices': expected bytes"),
        (lambda: talvane._restore_link_meshes(()), ValueError, "expected a tuple of 7 LinkMesh objects"),
        (
            lambda: talvane._restore_link_meshes((1,) * 7),
            TypeError,
            "argument 'links': 'int' object is not an instance of 'LinkMesh'",
        ),
        (
            lambda: talvane._restore_ik_solution([0] * 6, 0.0, 0.0, 1),
            TypeError,
            "argument 'kind': 'int' object is not an instance of 'SolutionKind'",
        ),
        (lambda: talvane._restore_ik_solution([0] * 5, 0.0, 0.0, SolutionKind.Regular), ValueError, "got 5"),
    ],
)
def test_restoring_refuses_what_no_pickle_of_ours_holds(call, error, message):
    with pytest.raises(error, match=message):
        call()


@pytest.mark.parametrize("cls", [IkSolution, LinkMesh, LinkMeshes, SolutionKind, CrxModel, Crx])
def test_pickling_makes_no_class_creatable(cls):
    with pytest.raises(TypeError, match=rf"^cannot create 'talvane.{cls.__name__}' instances$"):
        cls()


def test_restore_functions_stay_private():
    assert not any(name.startswith("_") for name in talvane.__all__)
