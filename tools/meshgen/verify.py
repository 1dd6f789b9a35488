"""All invariant checks of one model's seven meshes, as one list of problems."""

from . import checks
from .plans import FLANGE_FACE_VERTICES, TARGETS


def mesh_problems(dims, index, mesh):
    target = TARGETS[dims.name][index]
    got = (len(mesh.vertices), len(mesh.faces))
    problems = [] if got == target else [f"(V, F) = {got}, expected {target}"]
    problems += checks.check_numbering(mesh)
    problems += checks.check_manifold(mesh)

    def gap_facing(points):
        # the J1 column's open foot faces the base across the 1 mm J1 gap
        return index == 1 and bool((points[:, 2] == dims.base_top + 1.0).all())

    problems += checks.check_geometry(mesh, exposed_ok=gap_facing)
    problems += checks.check_planar_caps(mesh)
    problems += checks.check_coplanar_overlaps(mesh)
    if index in (0, 6):
        problems += checks.check_closed(mesh)
    if index == 6:
        problems += checks.check_flange_face(mesh, FLANGE_FACE_VERTICES[dims.name])
    return [f"{dims.name} mesh {index}: {p}" for p in problems]


def model_problems(dims, meshes):
    return [p for i, m in enumerate(meshes) for p in mesh_problems(dims, i, m)]
