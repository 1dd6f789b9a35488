"""Export a posed CRX robot to a mesh file through trimesh.

    python examples/export_meshes.py --joints 0 30 -30 0 -90 0 --out robot.stl
    python examples/export_meshes.py --model crx5ia --joints 45 -20 40 60 30 90 --out robot.glb

An STL file holds one triangle soup in millimetres, made from `LinkMeshes.posed`. A glTF file
(.glb or .gltf) keeps the seven links as separate, coloured nodes: each node holds its link's mesh
as authored and carries the link's pose from `LinkMeshes.poses`, so a viewer can still tell the
links apart. glTF counts in metres with +y up, so that file is scaled by 1/1000 and turned upright
by a parent node. Other suffixes that trimesh
knows (.obj, .ply, .off) are written like STL.
"""

import argparse
import os

import numpy as np
import talvane
import trimesh
from numpy.typing import ArrayLike

MODELS = {"crx5ia": talvane.CrxModel.Crx5iA, "crx10ia": talvane.CrxModel.Crx10iA}
LINK_NAMES = ("base", "link1", "upper_arm", "elbow", "forearm", "wrist", "flange")
LINK_RGBA = ((86, 89, 94, 255), *[(241, 240, 235, 255)] * 5, (141, 146, 152, 255))
# glTF's up axis is +y and the robot's is +z: one node above the links turns the robot upright.
Z_UP_TO_Y_UP = np.array([[1.0, 0, 0, 0], [0, 0, 1, 0], [0, -1, 0, 0], [0, 0, 0, 1]])


def to_trimesh(mesh: talvane.LinkMesh, scale: float = 1.0) -> trimesh.Trimesh:
    # process=False keeps talvane's vertex order and every face exactly as given.
    return trimesh.Trimesh(vertices=mesh.vertices * scale, faces=mesh.faces, process=False)


def posed_soup(meshes: talvane.LinkMeshes, robot: talvane.Crx, joints: ArrayLike) -> trimesh.Trimesh:
    """All seven links moved to their poses, concatenated into one mesh (millimetres)."""
    soup = trimesh.util.concatenate([to_trimesh(mesh) for mesh in meshes.posed(robot, joints)])
    assert isinstance(soup, trimesh.Trimesh)
    return soup


def posed_scene(meshes: talvane.LinkMeshes, robot: talvane.Crx, joints: ArrayLike) -> trimesh.Scene:
    """One node per link under a node named "robot": the mesh in its own frame, placed by its pose
    (metres)."""
    scene = trimesh.Scene()
    scene.graph.update(frame_from=scene.graph.base_frame, frame_to="robot", matrix=Z_UP_TO_Y_UP)
    for name, rgba, mesh, pose in zip(LINK_NAMES, LINK_RGBA, meshes.links, meshes.poses(robot, joints)):
        part = to_trimesh(mesh, scale=0.001)
        part.visual = trimesh.visual.TextureVisuals(
            material=trimesh.visual.material.PBRMaterial(
                baseColorFactor=rgba, metallicFactor=0.0, roughnessFactor=0.6
            )
        )
        placement = pose.copy()
        placement[:3, 3] *= 0.001
        scene.add_geometry(
            part, node_name=name, geom_name=name, parent_node_name="robot", transform=placement
        )
    return scene


def export(model: talvane.CrxModel, joints: ArrayLike, out: str) -> trimesh.Trimesh | trimesh.Scene:
    robot = talvane.Crx.from_model(model)
    meshes = talvane.LinkMeshes.load(model)
    suffix = os.path.splitext(out)[1].lower()
    result = (
        posed_scene(meshes, robot, joints)
        if suffix in (".glb", ".gltf")
        else posed_soup(meshes, robot, joints)
    )
    result.export(out)
    return result


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--model", choices=sorted(MODELS), default="crx10ia")
    parser.add_argument("--joints", type=float, nargs=6, default=[0.0] * 6, metavar="J", help="degrees")
    parser.add_argument("--out", default="robot.stl", help="output file; the suffix picks the format")
    args = parser.parse_args()

    result = export(MODELS[args.model], args.joints, args.out)
    size = np.ptp(result.bounds, axis=0)
    unit = "m" if isinstance(result, trimesh.Scene) else "mm"
    faces = (
        sum(g.faces.shape[0] for g in result.geometry.values())
        if isinstance(result, trimesh.Scene)
        else len(result.faces)
    )
    print(f"wrote {args.out}: {faces} triangles, extent {np.round(size, 4)} {unit}")


if __name__ == "__main__":
    main()
