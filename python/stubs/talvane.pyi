"""Forward and inverse kinematics for the FANUC CRX series of collaborative robots."""

from typing import Final, Protocol, SupportsIndex, TypeAlias, final

import numpy as np
import numpy.typing as npt

__all__ = ["Crx", "CrxModel", "IkSolution", "LinkMesh", "LinkMeshes", "SolutionKind"]

_Float64Array: TypeAlias = npt.NDArray[np.float64]
_UInt32Array: TypeAlias = npt.NDArray[np.uint32]

class _HasAsNumpy(Protocol):
    def as_numpy(self) -> npt.ArrayLike: ...

# A 4x4 rigid transform: an array-like, or an object whose as_numpy() returns one.
_Transform: TypeAlias = npt.ArrayLike | _HasAsNumpy
# Six joint angles in controller degrees.
_Joints: TypeAlias = npt.ArrayLike

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
    def __len__(self) -> int: ...
    def __getitem__(self, index: SupportsIndex, /) -> LinkMesh: ...
