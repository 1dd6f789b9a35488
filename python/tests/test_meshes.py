import numpy as np
import pytest
import talvane
from talvane import Crx, CrxModel, LinkMesh, LinkMeshes

COUNTS = {
    "Crx5iA": [
        (981, 1958),
        (2983, 5671),
        (6084, 11372),
        (2381, 4379),
        (2743, 5158),
        (3078, 5784),
        (1124, 2244),
    ],
    "Crx10iA": [
        (986, 1968),
        (3557, 6527),
        (7408, 14100),
        (6170, 11504),
        (3184, 6045),
        (3600, 6821),
        (1573, 3142),
    ],
}
WITHOUT_GEOMETRY = ["Crx3iA", "Crx10iAL", "Crx20iAL", "Crx30iA"]
JOINTS = [(0, 0, 0, 0, 0, 0), (0, 30, -30, 0, -90, 0), (45, -20, 40, 60, 30, 90)]


@pytest.fixture(scope="module", params=sorted(COUNTS))
def loaded(request):
    return request.param, LinkMeshes.load(getattr(CrxModel, request.param))


@pytest.fixture(scope="module")
def crx5ia_meshes():
    return LinkMeshes.load(CrxModel.Crx5iA)


def rotation_about_z(degrees, translation=(0.0, 0.0, 0.0)):
    c, s = np.cos(np.radians(degrees)), np.sin(np.radians(degrees))
    matrix = np.eye(4)
    matrix[:2, :2] = [[c, -s], [s, c]]
    matrix[:3, 3] = translation
    return matrix


def test_registered_between_ik_solution_and_solution_kind():
    assert talvane.__all__[:6] == ["Crx", "CrxModel", "IkSolution", "LinkMesh", "LinkMeshes", "SolutionKind"]
    assert LinkMesh.__module__ == LinkMeshes.__module__ == "talvane"


def test_counts_and_arrays(loaded):
    name, meshes = loaded
    assert len(meshes) == 7 and repr(meshes) == "LinkMeshes(links=7)"
    for index, (vertex_count, face_count) in enumerate(COUNTS[name]):
        mesh = meshes[index]
        assert (mesh.vertex_count, mesh.face_count) == (vertex_count, face_count)
        assert repr(mesh) == f"LinkMesh(vertices={vertex_count}, faces={face_count})"
        vertices, faces = mesh.vertices, mesh.faces
        assert vertices.dtype == np.float64 and vertices.shape == (vertex_count, 3)
        assert faces.dtype == np.uint32 and faces.shape == (face_count, 3)
        assert vertices.flags.c_contiguous and vertices.flags.owndata and vertices.flags.writeable
        assert faces.flags.c_contiguous and faces.flags.owndata
        assert faces.max() == vertex_count - 1


def test_flange_mating_face(loaded):
    name, meshes = loaded
    z = meshes[6].vertices[:, 2]
    assert z.max() == 0.0
    assert np.count_nonzero(z == 0.0) == {"Crx5iA": 82, "Crx10iA": 75}[name]


def test_arrays_and_meshes_are_fresh_copies(crx5ia_meshes):
    mesh = crx5ia_meshes[3]
    vertices, faces = mesh.vertices, mesh.faces
    expected_vertices, expected_faces = vertices.copy(), faces.copy()
    vertices[:] = -1.0
    faces[:] = 0
    assert mesh.vertices is not mesh.vertices
    np.testing.assert_array_equal(mesh.vertices, expected_vertices)
    np.testing.assert_array_equal(mesh.faces, expected_faces)
    assert crx5ia_meshes[3] is not crx5ia_meshes[3]
    assert crx5ia_meshes.links is not crx5ia_meshes.links
    assert crx5ia_meshes.links[3] is not crx5ia_meshes[3]


def test_loads_are_equal_and_independent(crx5ia_meshes):
    again = LinkMeshes.load(model=CrxModel.Crx5iA)
    assert again is not crx5ia_meshes
    for first, second in zip(crx5ia_meshes.links, again.links):
        np.testing.assert_array_equal(first.vertices, second.vertices)
        np.testing.assert_array_equal(first.faces, second.faces)


def test_links_are_the_subscripted_meshes(crx5ia_meshes):
    links = crx5ia_meshes.links
    assert type(links) is list and len(links) == 7
    for index, mesh in enumerate(links):
        assert type(mesh) is LinkMesh
        np.testing.assert_array_equal(mesh.vertices, crx5ia_meshes[index].vertices)
        np.testing.assert_array_equal(mesh.faces, crx5ia_meshes[np.uint8(index)].faces)


@pytest.mark.parametrize(
    ("index", "error", "message"),
    [
        (7, IndexError, "index out of range"),
        (2**64 - 1, IndexError, "index out of range"),
        (-1, OverflowError, None),
        (2**64, OverflowError, None),
        (1.0, TypeError, "argument 'index': 'float' object cannot be interpreted as an integer"),
        ("0", TypeError, "argument 'index': 'str' object cannot be interpreted as an integer"),
        (slice(0, 2), TypeError, "argument 'index': "),
    ],
)
def test_subscription_errors(crx5ia_meshes, index, error, message):
    with pytest.raises(error) as raised:
        crx5ia_meshes[index]
    if message is not None:
        assert str(raised.value).startswith(message)


def test_subscription_accepts_index_convertible_objects(crx5ia_meshes):
    class Index:
        def __index__(self):
            return 6

    assert crx5ia_meshes[Index()].vertex_count == 1124
    assert crx5ia_meshes[True].vertex_count == 2983


def test_no_iteration_protocol(crx5ia_meshes):
    with pytest.raises(TypeError):
        iter(crx5ia_meshes)


@pytest.mark.parametrize("name", WITHOUT_GEOMETRY)
def test_models_without_geometry(name):
    model = getattr(CrxModel, name)
    assert LinkMeshes.is_available(model) is False
    with pytest.raises(ValueError) as raised:  # noqa: PT011 - the whole message is compared below
        LinkMeshes.load(model)
    assert str(raised.value) == (
        f"No link meshes are embedded for the {name}. "
        "Geometry is available for the Crx5iA and the Crx10iA only."
    )


def test_models_with_geometry():
    assert LinkMeshes.is_available(CrxModel.Crx5iA) is True
    assert LinkMeshes.is_available(model=CrxModel.Crx10iA) is True


@pytest.mark.parametrize("method", [LinkMeshes.load, LinkMeshes.is_available])
@pytest.mark.parametrize(
    ("model", "message"),
    [
        (1, "argument 'model': 'int' object is not an instance of 'CrxModel'"),
        (None, "argument 'model': 'None' is not an instance of 'CrxModel'"),
    ],
)
def test_model_must_be_a_crx_model(method, model, message):
    with pytest.raises(TypeError, match=f"^{message}$"):
        method(model)


@pytest.mark.parametrize("joints", JOINTS)
def test_poses_are_identity_then_fk_all(crx5ia_meshes, joints):
    robot = Crx.crx5ia()
    poses = crx5ia_meshes.poses(robot, joints)
    assert poses.shape == (7, 4, 4) and poses.dtype == np.float64
    assert np.array_equal(poses[0], np.eye(4))
    np.testing.assert_array_equal(poses[1:], robot.fk_all(joints))
    np.testing.assert_array_equal(poses[6], robot.fk(joints))


@pytest.mark.parametrize("joints", JOINTS)
def test_posed_matches_transformed_with_poses(loaded, joints):
    _, meshes = loaded
    robot = Crx.crx10ia()
    poses = meshes.poses(robot=robot, joints=joints)
    posed = meshes.posed(robot, np.asarray(joints, dtype=np.float64))
    assert type(posed) is list and len(posed) == 7
    for index, (mesh, moved) in enumerate(zip(meshes.links, posed)):
        np.testing.assert_array_equal(moved.faces, mesh.faces)
        # Both go through the quaternion form; transformed converts the matrix back to one, so
        # agreement is to rounding only.
        np.testing.assert_allclose(moved.vertices, mesh.transformed(poses[index]).vertices, rtol=0, atol=1e-9)
        expected = mesh.vertices @ poses[index][:3, :3].T + poses[index][:3, 3]
        np.testing.assert_allclose(moved.vertices, expected, rtol=0, atol=1e-9)
    np.testing.assert_array_equal(posed[0].vertices, meshes[0].vertices)


def test_flange_face_follows_fk(crx5ia_meshes):
    robot = Crx.crx5ia()
    joints = (45, -20, 40, 60, 30, 90)
    flange = crx5ia_meshes.posed(robot, joints)[6].vertices
    on_face = crx5ia_meshes[6].vertices[:, 2] == 0.0
    pose = robot.fk(joints)
    # The mating face stays in the plane through the flange centre normal to the flange z axis.
    np.testing.assert_allclose((flange[on_face] - pose[:3, 3]) @ pose[:3, 2], 0.0, atol=1e-9)


def test_posing_on_another_models_kinematics(crx5ia_meshes):
    posed = crx5ia_meshes.posed(Crx.from_params(950, 750, 180, 185), [10, 20, 30, 40, 50, 60])
    assert [mesh.vertex_count for mesh in posed] == [count for count, _ in COUNTS["Crx5iA"]]


@pytest.mark.parametrize("method", ["poses", "posed"])
def test_pose_argument_errors(crx5ia_meshes, method):
    call = getattr(crx5ia_meshes, method)
    with pytest.raises(TypeError, match=r"^argument 'robot': 'CrxModel' object is not an instance of 'Crx'$"):
        call(CrxModel.Crx5iA, [0] * 6)
    with pytest.raises(ValueError, match=r"^Expected 6 joint angles, got 5$"):
        call(Crx.crx5ia(), [0] * 5)
    with pytest.raises(TypeError, match=r"^argument 'joints': "):
        call(Crx.crx5ia(), [[0, 0, 0], [0, 0, 0]])
    with pytest.raises(
        TypeError, match=rf"^LinkMeshes.{method}\(\) missing 1 required positional argument: 'joints'$"
    ):
        call(Crx.crx5ia())


def test_transformed(crx5ia_meshes):
    mesh = crx5ia_meshes[2]
    same = mesh.transformed(np.eye(4, dtype=int).tolist())
    np.testing.assert_array_equal(same.vertices, mesh.vertices)
    np.testing.assert_array_equal(same.faces, mesh.faces)

    shifted = mesh.transformed(rotation_about_z(0.0, (1.5, -2.0, 1e3)))
    np.testing.assert_array_equal(shifted.vertices, mesh.vertices + [1.5, -2.0, 1e3])

    class Wrapped:
        def as_numpy(self):
            return rotation_about_z(30.0, (10.0, 20.0, 30.0))

    turned = mesh.transformed(transform=Wrapped())
    expected = mesh.vertices @ rotation_about_z(30.0)[:3, :3].T + [10.0, 20.0, 30.0]
    np.testing.assert_allclose(turned.vertices, expected, rtol=0, atol=1e-9)
    assert turned.vertex_count == mesh.vertex_count and turned.face_count == mesh.face_count


@pytest.mark.parametrize(
    ("transform", "error", "message"),
    [
        (np.diag([2.0, 2.0, 2.0, 1.0]), ValueError, "Failed to convert matrix to isometry"),
        (np.eye(3), ValueError, "Expected a 4x4 transformation matrix, got shape [3, 3]"),
        (list(range(16)), ValueError, "Expected a 4x4 array, or an object with an as_numpy() method"),
    ],
)
def test_transformed_rejects_non_rigid_input(crx5ia_meshes, transform, error, message):
    with pytest.raises(error) as raised:
        crx5ia_meshes[0].transformed(transform)
    assert str(raised.value) == message


@pytest.mark.parametrize("cls", [LinkMesh, LinkMeshes])
def test_classes_cannot_be_created_or_subclassed(cls):
    with pytest.raises(TypeError, match=rf"^cannot create 'talvane.{cls.__name__}' instances$"):
        cls()
    with pytest.raises(TypeError):
        type("Derived", (cls,), {})


def test_properties_are_read_only(crx5ia_meshes):
    mesh = crx5ia_meshes[0]
    for name in ["vertices", "faces", "vertex_count", "face_count"]:
        with pytest.raises(AttributeError):
            setattr(mesh, name, None)
    with pytest.raises(AttributeError):
        crx5ia_meshes.links = []


def test_docstrings_and_signatures():
    assert (
        LinkMesh.__doc__
        == "The visual geometry of one robot link, as arrays a mesh library can consume directly."
    )
    assert LinkMeshes.__doc__.startswith(
        "The seven meshes that draw one robot: the stationary base and the six"
    )
    assert LinkMeshes.__doc__.endswith("Geometry is embedded for the CRX-5iA and the CRX-10iA only.")
    assert LinkMesh.transformed.__text_signature__ == "($self, transform)"
    assert LinkMeshes.load.__text_signature__ == "(model)"
    assert LinkMeshes.is_available.__text_signature__ == "(model)"
    assert LinkMeshes.poses.__text_signature__ == "($self, robot, joints)"
    assert LinkMeshes.posed.__text_signature__ == "($self, robot, joints)"
    assert LinkMesh.vertex_count.__doc__ == "The number of vertices in the mesh."
    assert LinkMeshes.links.__doc__ == "The seven meshes in their authored frames, as a list."
