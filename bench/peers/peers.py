"""The solvers side by side, each behind the same face.

A solver is built for one robot and then called once per target pose (4x4, mm); it returns the
joint vectors it offers as solutions (controller degrees, (n, 6)) and how many of its attempts
failed outright (an exception, a panic, a non-converged seed). Each peer is set up from the H and P
of crx_chain and its forward kinematics is checked against talvane's before anything is timed.
"""

import warnings
from importlib import metadata

import crx_chain
import numpy as np

FK_AGREEMENT = 1e-9  # mm and rotation entries


def package_version(name):
    try:
        return metadata.version(name)
    except metadata.PackageNotFoundError:
        return None


class PeerUnavailable(Exception):
    """The peer is not installed, or refuses the CRX; the message says why."""


def check_forward_kinematics(name, robot, peer_fk, rng, count=200):
    """Largest element difference between the peer's flange pose and talvane's over random joints."""
    worst = 0.0
    for joints in rng.uniform(-360.0, 360.0, (count, 6)):
        worst = max(worst, float(np.abs(peer_fk(joints) - robot.fk(joints)).max()))
    if not worst <= FK_AGREEMENT:
        raise AssertionError(f"{name}: forward kinematics differs from talvane's by {worst:.3e}")
    return worst


def homogeneous(rotation, position):
    m = np.eye(4)
    m[:3, :3] = rotation
    m[:3, 3] = position
    return m


class Talvane:
    name = "talvane Crx.ik (Python)"
    package = "talvane"

    def __init__(self, robot):
        self.robot = robot
        if not hasattr(robot, "ik"):
            raise PeerUnavailable("this build of talvane has no Crx.ik")

    def fk_check(self, rng):
        return 0.0

    def solve(self, pose):
        return self.robot.ik(pose), 0


class IkGeo:
    """The `ik-geo` package: IK-Geo's subproblem solvers, one Rust function per axis family.

    Lengths go in metres: its 1D search accepts a sign change of the error only where both samples
    are below an absolute 0.1, in the units of P, so millimetres would hide every crossing. J3's
    axis is given as +y (J2's direction) because the `two_parallel` family turns J2 and J3 together
    about J2's axis.
    """

    package = "ik-geo"

    def __init__(self, robot, family):
        self.name = f"ik-geo {family}"
        self.robot = robot
        try:
            import ik_geo
        except ImportError as error:
            raise PeerUnavailable(f"ik-geo is not installed ({error})") from error
        self.h = crx_chain.axes(j3_along_j2=True)
        self.p = crx_chain.offsets(robot, scale=1e-3)
        self.solver = getattr(ik_geo.Robot, family)(self.h, self.p)

    def peer_fk(self, joints):
        # It hands rotations over as a list of columns, and takes them back the same way.
        columns, position = self.solver.forward_kinematics(crx_chain.kinematic_radians(joints, True))
        rotation = np.array(columns).T @ crx_chain.FLANGE_ROTATION
        return homogeneous(rotation, 1e3 * np.array(position))

    def fk_check(self, rng):
        return check_forward_kinematics(self.name, self.robot, self.peer_fk, rng)

    def solve(self, pose):
        r06 = pose[:3, :3] @ crx_chain.FLANGE_ROTATION.T
        try:
            found = self.solver.get_ik(r06.T, 1e-3 * pose[:3, 3])
        except BaseException as error:  # a Rust panic arrives as pyo3's PanicException
            if isinstance(error, KeyboardInterrupt):
                raise
            return np.empty((0, 6)), 1
        q = np.array([s for s, _ in found], dtype=float).reshape(-1, 6)
        return crx_chain.controller_degrees(q, True), 0


class PyIkGeoKinematics:
    """`py-ikgeo-kinematics`: IK-Geo in Rust with the axis family detected from H and P."""

    package = "py-ikgeo-kinematics"
    name = "py-ikgeo-kinematics"

    def __init__(self, robot):
        self.robot = robot
        try:
            import py_ikgeo_kinematics as pik
            from scipy.spatial.transform import RigidTransform
        except ImportError as error:
            raise PeerUnavailable(f"py-ikgeo-kinematics is not installed ({error})") from error
        model = pik.KinematicModel(crx_chain.axes().T, crx_chain.offsets(robot).T)
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            self.solver = pik.Robot(model, degrees=False)
        self.family = self.solver.family
        self.name = f"py-ikgeo-kinematics ({self.family})"
        self.rigid = RigidTransform
        self.flange = RigidTransform.from_matrix(homogeneous(crx_chain.FLANGE_ROTATION, np.zeros(3)))

    def peer_fk(self, joints):
        q = tuple(crx_chain.kinematic_radians(joints))
        return self.solver.forward(q, ee_transform=self.flange).as_matrix()

    def fk_check(self, rng):
        return check_forward_kinematics(self.name, self.robot, self.peer_fk, rng)

    def solve(self, pose):
        try:
            found = self.solver.inverse(self.rigid.from_matrix(pose), ee_transform=self.flange)
        except Exception:  # noqa: BLE001 - whatever the peer raises, the call failed
            return np.empty((0, 6)), 1
        q = np.array(found, dtype=float).reshape(-1, 6)
        return crx_chain.controller_degrees(q), 0


class Eaik:
    """`eaik`: IK-Geo subproblems after remodelling the chain; refuses chains it cannot decompose."""

    package = "eaik"
    name = "EAIK"

    def __init__(self, robot):
        self.robot = robot
        try:
            from eaik.IK_HP import HPRobot
        except ImportError as error:
            raise PeerUnavailable(f"eaik is not installed ({error})") from error
        self.solver = HPRobot(crx_chain.axes(), crx_chain.offsets(robot))
        if not self.solver.hasKnownDecomposition():
            try:
                self.solver.IK(robot.fk([10.0, 20.0, 30.0, 40.0, 50.0, 60.0]))
                message = "no error raised"
            except Exception as error:  # noqa: BLE001 - what it says when asked anyway
                message = str(error)
            raise PeerUnavailable(
                f"EAIK classifies the CRX as '{self.solver.getKinematicFamily()}' "
                f"and solves nothing: {message}"
            )

    def peer_fk(self, joints):
        m = self.solver.fwdKin(crx_chain.kinematic_radians(joints))
        return homogeneous(m[:3, :3] @ crx_chain.FLANGE_ROTATION, m[:3, 3])

    def fk_check(self, rng):
        return check_forward_kinematics(self.name, self.robot, self.peer_fk, rng)

    def solve(self, pose):
        r = self.solver.IK(homogeneous(pose[:3, :3] @ crx_chain.FLANGE_ROTATION.T, pose[:3, 3]))
        return crx_chain.controller_degrees(np.array(r.Q).reshape(-1, 6)), 0


class RoboticsToolboxLM:
    """Robotics Toolbox for Python: Levenberg-Marquardt (`ETS.ik_LM`, C++) from several seeds.

    The elementary transform sequence is the same chain as H and P (metres); a flipped joint turns
    about the negative axis. Each seed is one search without restarts and without joint limits; the
    tolerance on 0.5·eᵀe (metres and radians) is tight enough for 1e-8 mm.
    """

    package = "roboticstoolbox-python"
    TOLERANCE = 1e-24
    ITERATIONS = 60

    def __init__(self, robot, seeds, rng):
        self.name = f"roboticstoolbox ik_LM, {seeds} seeds"
        self.robot = robot
        self.seeds = seeds
        self.rng = rng
        try:
            from roboticstoolbox import ET
            from spatialmath import SE3
        except ImportError as error:
            raise PeerUnavailable(f"roboticstoolbox-python is not installed ({error})") from error
        z1, x1, x2, y1 = (1e-3 * d for d in (robot.z1, robot.x1, robot.x2, robot.y1))
        flange = SE3(homogeneous(crx_chain.FLANGE_ROTATION, np.zeros(3)))
        self.ets = (
            ET.Rz()
            * ET.Ry()
            * ET.tz(z1)
            * ET.Ry(flip=True)
            * ET.Rx(flip=True)
            * ET.tx(x1)
            * ET.ty(-y1)
            * ET.Ry(flip=True)
            * ET.tx(x2)
            * ET.Rx(flip=True)
            * ET.SE3(flange)
        )

    def peer_fk(self, joints):
        m = np.array(self.ets.fkine(crx_chain.kinematic_radians(joints)).A)
        m[:3, 3] *= 1e3
        return m

    def fk_check(self, rng):
        return check_forward_kinematics(self.name, self.robot, self.peer_fk, rng)

    def solve(self, pose):
        target = pose.copy()
        target[:3, 3] *= 1e-3
        found = []
        failed = 0
        for q0 in self.rng.uniform(-np.pi, np.pi, (self.seeds, 6)):
            result = self.ets.ik_LM(
                target, q0=q0, ilimit=self.ITERATIONS, slimit=1, tol=self.TOLERANCE, joint_limits=False
            )
            if result.success:
                found.append(result.q)
            else:
                failed += 1
        q = np.array(found, dtype=float).reshape(-1, 6)
        return crx_chain.controller_degrees(q), failed


class Ssik:
    """ssik's prebuilt FANUC CRX solvers (bench/peers/ssik_peer.py), from FANUC's robot descriptions
    rather than from H and P; with `respect_limits`, only solutions within the description's
    joint limits, and their whole-turn copies inside them."""

    package = "ssik"

    def __init__(self, robot, respect_limits):
        self.robot = robot
        self.respect_limits = respect_limits
        self.name = "ssik, joint limits on" if respect_limits else "ssik, joint limits off"
        try:
            import ssik_peer

            self.model = ssik_peer.model_of(robot)
            self.chain = ssik_peer.chain(self.model)
        except ImportError as error:
            raise PeerUnavailable(f"ssik is not installed ({error})") from error
        self.solutions = ssik_peer.ssik_solutions

    def fk_check(self, rng):
        # Checked against talvane's fk over 500 random joint vectors when the chain was built.
        return max(self.chain.agreement.position_mm, self.chain.agreement.rotation)

    def solve(self, pose):
        return self.solutions(self.model, pose, respect_limits=self.respect_limits), 0


class TracIk:
    """pytracik: TRAC-IK (KDL's Newton solver and an SQP search racing, from a seed) on a URDF of the
    chain, run from several random seeds per target like the numerical solver above.

    The targets are given in metres and TRAC-IK's tolerance is set far below 1e-8 mm, so that its
    own accuracy is what the scores show."""

    package = "pytracik"
    TIMEOUT = 0.005  # seconds per seed, TRAC-IK's default
    EPSILON = 1e-12

    def __init__(self, robot, seeds, rng):
        self.name = f"pytracik (TRAC-IK), {seeds} seeds"
        self.robot = robot
        self.seeds = seeds
        self.rng = rng
        try:
            import pytracik
            from scipy.spatial.transform import Rotation
        except ImportError as error:
            raise PeerUnavailable(f"pytracik is not installed ({error})") from error
        self.tracik = pytracik
        self.rotation = Rotation
        self.solver = pytracik.TRAC_IK(
            "base", "tool", crx_chain.urdf(robot), self.TIMEOUT, self.EPSILON, pytracik.SolveType.Speed
        )

    def peer_fk(self, joints):
        m = np.array(self.tracik.fk(self.solver, crx_chain.kinematic_radians(joints)))
        return homogeneous(m[:3, :3] @ crx_chain.FLANGE_ROTATION, 1e3 * m[:3, 3])

    def fk_check(self, rng):
        return check_forward_kinematics(self.name, self.robot, self.peer_fk, rng)

    def solve(self, pose):
        x, y, z, w = self.rotation.from_matrix(pose[:3, :3] @ crx_chain.FLANGE_ROTATION.T).as_quat()
        position = 1e-3 * pose[:3, 3]
        found = []
        failed = 0
        for seed in self.rng.uniform(-np.pi, np.pi, (self.seeds, 6)):
            # The first value is TRAC-IK's status (negative: no solution within the timeout).
            result = self.tracik.ik(self.solver, seed, *position, x, y, z, w)
            if result[0] >= 0:
                found.append(result[1:])
            else:
                failed += 1
        return crx_chain.controller_degrees(np.array(found, dtype=float).reshape(-1, 6)), failed
