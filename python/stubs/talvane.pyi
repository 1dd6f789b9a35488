"""Forward and inverse kinematics for the FANUC CRX series of collaborative robots."""

from collections.abc import Sequence
from typing import Any, Final, Protocol, SupportsIndex, TypeAlias, final

import numpy as np
import numpy.typing as npt

__all__ = [
    "Crx",
    "CrxModel",
    "IkSolution",
    "LinkMesh",
    "LinkMeshes",
    "SolutionKind",
    "Cell",
    "pose_from_xyzwpr",
    "xyzwpr_from_pose",
]

_Float64Array: TypeAlias = npt.NDArray[np.float64]
_UInt32Array: TypeAlias = npt.NDArray[np.uint32]

class _HasAsNumpy(Protocol):
    def as_numpy(self) -> npt.ArrayLike: ...

# A 4x4 rigid transform: an array-like, or an object whose as_numpy() returns one.
_Transform: TypeAlias = npt.ArrayLike | _HasAsNumpy
# Six joint angles in controller degrees.
_Joints: TypeAlias = npt.ArrayLike
# Many poses: an (n, 4, 4) array-like, a sequence of transforms, or an object whose as_numpy()
# returns one of those.
_TransformBatch: TypeAlias = npt.ArrayLike | Sequence[_Transform] | _HasAsNumpy
# Many joint vectors: an (n, 6) array-like or a sequence of joint vectors.
_JointsBatch: TypeAlias = npt.ArrayLike | Sequence[_Joints]

@final
class CrxModel:
    """One of the models in the FANUC CRX series.

    `LinkMeshes.load` uses the model to select geometry. Two models can share the same four link
    dimensions, so those dimensions alone do not identify the model represented by a `Crx`.
    """

    Crx3iA: Final[CrxModel]
    Crx5iA: Final[CrxModel]
    Crx10iA: Final[CrxModel]
    Crx10iAL: Final[CrxModel]
    Crx20iAL: Final[CrxModel]
    Crx30iA: Final[CrxModel]
    def __int__(self) -> int: ...
    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    __hash__: None  # type: ignore[assignment]
    def __reduce__(self) -> str:
        """Pickle support: a member is pickled by name and unpickles as the same object."""

@final
class SolutionKind:
    """The configuration category of a solution."""

    Regular: Final[SolutionKind]
    AxisDegenerate: Final[SolutionKind]
    SingularFamily: Final[SolutionKind]
    def __int__(self) -> int: ...
    def __eq__(self, other: object, /) -> bool: ...
    def __ne__(self, other: object, /) -> bool: ...
    __hash__: None  # type: ignore[assignment]
    def __reduce__(self) -> str:
        """Pickle support: a member is pickled by name and unpickles as the same object."""

@final
class IkSolution:
    """One inverse kinematics solution and its diagnostics."""

    @property
    def joints(self) -> _Float64Array:
        """The six joint angles in FANUC controller degrees."""
    @property
    def residual(self) -> float:
        """Largest absolute element difference between this solution's pose and the target."""
    @property
    def kind(self) -> SolutionKind:
        """The configuration category of the solution."""
    @property
    def theta(self) -> float:
        """The angle on the wrist center's circle that produced the solution, kept for diagnostics."""
    def __reduce__(self) -> tuple[Any, ...]:
        """Pickle support: the solution is rebuilt with the same values."""
    def __copy__(self) -> IkSolution:
        """The object itself: it is immutable."""
    def __deepcopy__(self, memo: Any, /) -> IkSolution:
        """The object itself: it is immutable, and so is all it holds."""

@final
class Crx:
    """A FANUC CRX robot defined by the four link dimensions that distinguish the models."""

    @staticmethod
    def from_params(z1: float, x1: float, x2: float, y1: float) -> Crx:
        """Build a robot from its four link dimensions, in millimeters."""
    @staticmethod
    def from_model(model: CrxModel) -> Crx:
        """Build a robot with the link dimensions of a FANUC CRX model."""
    @staticmethod
    def crx3ia() -> Crx:
        """The CRX-3iA."""
    @staticmethod
    def crx5ia() -> Crx:
        """The CRX-5iA."""
    @staticmethod
    def crx10ia() -> Crx:
        """The CRX-10iA."""
    @staticmethod
    def crx10ial() -> Crx:
        """The CRX-10iA/L."""
    @staticmethod
    def crx20ial() -> Crx:
        """The CRX-20iA/L."""
    @staticmethod
    def crx30ia() -> Crx:
        """The CRX-30iA."""
    @property
    def z1(self) -> float:
        """The height of the J3 origin above the J2 origin, in millimeters."""
    @property
    def x1(self) -> float:
        """The length of the forearm, from the J3 origin to the J5 origin, in millimeters."""
    @property
    def x2(self) -> float:
        """The distance from the J5 origin to the flange, in millimeters."""
    @property
    def y1(self) -> float:
        """The lateral offset of the J5 origin from the forearm axis, in millimeters."""
    def fk(self, joints: _Joints) -> _Float64Array:
        """Compute the pose of the flange for a set of joint angles.

        The joints are in degrees as they appear in the robot controller, and the returned 4x4
        matrix matches the controller in both position and orientation.
        """
    def fk_all(self, joints: _Joints) -> _Float64Array:
        """Compute the pose of every frame in the kinematic chain, as a (6, 4, 4) array.

        The last of the six is the flange and matches `fk`. The others are at the kinematic link
        origins, which have no corresponding values in the controller.
        """
    def ik(self, target: _Transform) -> _Float64Array:
        """Every joint configuration which puts the flange at `target`, as an (n, 6) array.

        The target may be a 4x4 array or any object with an `as_numpy()` method returning one. An
        unreachable target gives an array with no rows. Use `ik_detailed` when the residual or the
        kind of each solution matters.
        """
    def ik_detailed(self, target: _Transform) -> list[IkSolution]:
        """The same solutions as `ik`, each carrying its residual and its kind."""
    def ik_closest(self, target: _Transform, reference: _Joints) -> IkSolution | None:
        """The solution whose joints are nearest to `reference`, or None if the target is unreachable.

        A caller following a path can pass the robot's current joint vector as `reference` to reach
        the next pose with the least joint movement, which keeps the arm from reconfiguring during
        the move.
        """
    def fk_many(self, joints: _JointsBatch) -> _Float64Array:
        """The flange poses of many joint vectors at once, as an (n, 4, 4) array.

        `joints` is an (n, 6) array, or a sequence of joint vectors; row i of the result equals
        `fk(joints[i])` bit for bit. The poses are computed with the interpreter lock released.
        """
    def ik_many(self, targets: _TransformBatch) -> list[_Float64Array]:
        """Every joint configuration for each of many targets, as a list of n (k_i, 6) arrays.

        `targets` is an (n, 4, 4) array, a sequence of targets, or an object whose `as_numpy()` returns
        one; element i of the result equals `ik(targets[i])`. Every target is checked before any is
        solved, and an error names the first bad one. The solving runs with the interpreter lock
        released, so that calls from several threads run in parallel.
        """
    def ik_closest_many(self, targets: _TransformBatch, references: _JointsBatch) -> _Float64Array:
        """The joints of `ik_closest` for each target and its reference, as an (n, 6) array.

        `references` holds one joint vector per target. A row is NaN where the target is unreachable.
        The solving runs with the interpreter lock released.
        """
    def __reduce__(self) -> tuple[Any, ...]:
        """Pickle support: the robot is rebuilt by `from_params` with its four dimensions."""
    def __copy__(self) -> Crx:
        """The object itself: it is immutable."""
    def __deepcopy__(self, memo: Any, /) -> Crx:
        """The object itself: it is immutable, and so is all it holds."""

@final
class LinkMesh:
    """The visual geometry of one robot link, as arrays a mesh library can consume directly."""

    @property
    def vertices(self) -> _Float64Array:
        """The vertex positions in millimeters, as an (n, 3) array of float64.

        The array is a fresh copy on every access, so writing into it does not change the mesh.
        """
    @property
    def faces(self) -> _UInt32Array:
        """The triangles, as an (m, 3) array of uint32 indexing into `vertices`.

        The array is a fresh copy on every access, so writing into it does not change the mesh.
        """
    @property
    def vertex_count(self) -> int:
        """The number of vertices in the mesh."""
    @property
    def face_count(self) -> int:
        """The number of triangles in the mesh."""
    def transformed(self, transform: _Transform) -> LinkMesh:
        """Return a copy of this mesh with every vertex moved by a transformation.

        The transformation may be a 4x4 array or any object with an `as_numpy()` method returning
        one, which is the same input `ik` accepts for a target.
        """
    def __reduce__(self) -> tuple[Any, ...]:
        """Pickle support: the mesh is rebuilt from its vertices and faces."""
    def __copy__(self) -> LinkMesh:
        """The object itself: it is immutable."""
    def __deepcopy__(self, memo: Any, /) -> LinkMesh:
        """The object itself: it is immutable, and so is all it holds."""

@final
class LinkMeshes:
    """The seven meshes that draw one robot: the stationary base and the six moving links.

    Index 0 is the base and index `i` is the link that moves with frame `i - 1` of `fk_all`. The
    last one is the flange, whose mating face lies on the z = 0 plane of the pose `fk` reports.
    Coordinates are in millimeters.

    Geometry is embedded for the CRX-5iA and the CRX-10iA only.
    """

    @staticmethod
    def load(model: CrxModel) -> LinkMeshes:
        """Decode the seven meshes for a model.

        :param model: the model whose geometry to load, which must be `CrxModel.Crx5iA` or
            `CrxModel.Crx10iA`
        :raises ValueError: if no geometry is embedded for the model
        """
    @staticmethod
    def is_available(model: CrxModel) -> bool:
        """Report whether geometry is embedded for a model without raising an exception."""
    @property
    def links(self) -> list[LinkMesh]:
        """The seven meshes in their authored frames, as a list."""
    def poses(self, robot: Crx, joints: _Joints) -> _Float64Array:
        """The pose of each of the seven meshes for a joint configuration, as a (7, 4, 4) array.

        The first is the identity, because the base does not move, and the remaining six are the
        frames from `fk_all` in order.

        :param robot: the robot whose kinematics produce the frames
        :param joints: six joint angles in degrees, as they appear in the robot controller
        """
    def posed(self, robot: Crx, joints: _Joints) -> list[LinkMesh]:
        """Copies of the seven meshes, each moved to its pose for a joint configuration.

        The robot is a separate argument from the model whose meshes were loaded, so geometry from
        one model can be posed on the kinematics of another. That is an approximation, and the
        caller decides whether it is a reasonable one.

        :param robot: the robot whose kinematics produce the frames
        :param joints: six joint angles in degrees, as they appear in the robot controller
        """
    def __reduce__(self) -> tuple[Any, ...]:
        """Pickle support: the seven meshes are rebuilt from their vertices and faces."""
    def __copy__(self) -> LinkMeshes:
        """The object itself: it is immutable."""
    def __deepcopy__(self, memo: Any, /) -> LinkMeshes:
        """The object itself: it is immutable, and so is all it holds."""
    def __len__(self) -> int: ...
    def __getitem__(self, index: SupportsIndex, /) -> LinkMesh: ...

@final
class Cell:
    """A robot in a FANUC cell: its tool frame, its user frame and its joint limits.

    `tool` is the TCP in the flange frame (UTOOL) and `user_frame` the user frame in the robot's
    world (UFRAME), each a 4x4 rigid transform or an object with an `as_numpy()` method (default:
    the identity). `lower` and `upper` are six inclusive joint limits in controller degrees, given
    together, each stroke at most three turns wide; `j2_plus_j3` an inclusive (low, high) range of
    J2 + J3, which needs `lower` and `upper` as well. Without limits nothing is filtered or added.
    A cell is immutable and can be pickled.
    """

    def __new__(
        cls,
        robot: Crx,
        *,
        tool: _Transform | None = None,
        user_frame: _Transform | None = None,
        lower: _Joints | None = None,
        upper: _Joints | None = None,
        j2_plus_j3: tuple[float, float] | npt.ArrayLike | None = None,
    ) -> Cell: ...
    @property
    def robot(self) -> Crx:
        """The robot of the cell."""
    @property
    def tool(self) -> _Float64Array:
        """The TCP in the flange frame (UTOOL), as a 4x4 array; the identity when none was given."""
    @property
    def user_frame(self) -> _Float64Array:
        """The user frame in the robot's world (UFRAME), as a 4x4 array; the identity when none was given."""
    @property
    def lower(self) -> _Float64Array | None:
        """The lower joint limits in controller degrees, inclusive, as a (6,) array, or None."""
    @property
    def upper(self) -> _Float64Array | None:
        """The upper joint limits in controller degrees, inclusive, as a (6,) array, or None."""
    @property
    def j2_plus_j3(self) -> tuple[float, float] | None:
        """The inclusive (low, high) range of J2 + J3, the relative elbow angle, in degrees, or None."""
    def fk(self, joints: _Joints) -> _Float64Array:
        """The pose of the TCP in the user frame for a set of joint angles.

        That is inv(UFRAME)·fk(joints)·UTOOL, a 4x4 array: the position and orientation the controller
        shows for the TCP in the user frame. The joints are controller degrees.
        """
    def ik(self, tcp_pose: _Transform) -> _Float64Array:
        """Every configuration within the limits that puts the TCP at `tcp_pose`, as an (n, 6) array.

        `tcp_pose` is given in the user frame, as a 4x4 array or any object with an `as_numpy()` method.
        Each row of the robot's `ik` of the flange target is expanded into every copy J + 360·k (k an
        integer per joint) that satisfies the limits, in `ik`'s order and then in ascending joint values.
        Without limits the result is exactly the robot's `ik` of the flange target.
        """
    def ik_closest(self, tcp_pose: _Transform, reference: _Joints) -> _Float64Array | None:
        """The configuration of `ik` nearest to `reference`, as a (6,) array, or None if there is none.

        Nearest means the smallest largest absolute joint difference, not wrapped: within the limits a
        whole turn is real motion. Ties go to the configuration listed first.
        """
    def ik_path(
        self, tcp_poses: Sequence[_Transform] | npt.ArrayLike, start: _Joints, *, max_step: float = 30.0
    ) -> _Float64Array:
        """A joint path through a sequence of TCP poses, as an (n, 6) array.

        Each point is the `ik_closest` of its pose to the point before (the first: to `start`). Raises
        ValueError naming the index of the first pose with no configuration within the limits, or of
        the first point where some joint would move more than `max_step` degrees: a reconfiguration
        the caller must decide on, never a silent switch of configuration.
        """
    def fk_many(self, joints: _JointsBatch) -> _Float64Array:
        """The TCP poses in the user frame of many joint vectors, as an (n, 4, 4) array.

        `joints` is an (n, 6) array, or a sequence of joint vectors; row i equals `fk(joints[i])` bit
        for bit. The poses are computed with the interpreter lock released.
        """
    def ik_many(self, tcp_poses: _TransformBatch) -> list[_Float64Array]:
        """The configurations of `ik` for each of many TCP poses, as a list of n (k_i, 6) arrays.

        `tcp_poses` is an (n, 4, 4) array, a sequence of poses, or an object whose `as_numpy()` returns
        one; element i equals `ik(tcp_poses[i])`. Every pose is checked before any is solved, and an
        error names the first bad one. The solving runs with the interpreter lock released.
        """
    def ik_closest_many(self, tcp_poses: _TransformBatch, references: _JointsBatch) -> _Float64Array:
        """`ik_closest` for each TCP pose and its reference, as an (n, 6) array.

        `references` holds one finite joint vector per pose. A row is NaN where no configuration within
        the limits reaches the pose. The solving runs with the interpreter lock released.
        """
    def __reduce__(self) -> tuple[Any, ...]:
        """Pickle support: the cell is rebuilt from its robot and the values of its properties."""
    def __copy__(self) -> Cell:
        """The object itself: it is immutable."""
    def __deepcopy__(self, memo: Any, /) -> Cell:
        """The object itself: it is immutable, and so is all it holds."""

def pose_from_xyzwpr(xyzwpr: npt.ArrayLike) -> _Float64Array:
    """The 4x4 pose of a FANUC XYZWPR position, or an (..., 4, 4) array of them.

    x, y, z are millimeters; W, P, R degrees, rotations about the fixed x, y and z axes in that
    order, so the rotation is Rz(R)·Ry(P)·Rx(W). The input has six values in its last dimension:
    (6,) gives (4, 4), (n, 6) gives (n, 4, 4). Every value must be finite.
    """

def xyzwpr_from_pose(pose: _Transform) -> _Float64Array:
    """The FANUC XYZWPR position of a 4x4 pose, or an (..., 6) array for a stack of poses.

    W, P and R come back in (-180, 180], P within [-90, 90]. At P = +-90 degrees (gimbal lock) only
    R - W (P = 90) or R + W (P = -90) is defined, and the position with W = 0 is returned. The pose
    may be any object with an `as_numpy()` method; each matrix must be a rigid transform.
    """
