"""Runs every script in examples/ the way a reader would, so that none of them can rot."""

import re
import runpy
import subprocess
import sys
from pathlib import Path
from types import SimpleNamespace

import numpy as np
import pytest
import talvane

EXAMPLES = Path(__file__).resolve().parents[2] / "examples"
TESTED = {
    "quickstart.py",
    "follow_path.py",
    "draw_robot.py",
    "draw_solution_kinds.py",
    "export_meshes.py",
    "cell_program.py",
    "reachability_map.py",
}


def run_example(name, *args, cwd):
    result = subprocess.run(
        [sys.executable, str(EXAMPLES / name), *map(str, args)],
        cwd=cwd,
        capture_output=True,
        text=True,
        timeout=300,
        check=False,
    )
    assert result.returncode == 0, f"{name} failed:\n{result.stdout}\n{result.stderr}"
    return result.stdout


def load_example(name):
    """The example's top-level names, as if imported (its main block does not run)."""
    sys.path.insert(0, str(EXAMPLES))  # examples import their neighbours
    try:
        return SimpleNamespace(**runpy.run_path(str(EXAMPLES / name), run_name=name.removesuffix(".py")))
    finally:
        sys.path.remove(str(EXAMPLES))


def read_png(path, width, height):
    image = pytest.importorskip("matplotlib.image").imread(path)
    assert image.shape[:2] == (height, width)
    rgb = image[..., :3]
    # Something was drawn: dark base pixels and light shaded links, not a blank canvas.
    assert (rgb.max(axis=2) < 0.45).sum() > 20
    assert ((rgb.min(axis=2) > 0.6) & (rgb.min(axis=2) < 0.97)).sum() > 200
    return rgb


def test_every_example_is_tested():
    assert {p.name for p in EXAMPLES.glob("*.py")} == TESTED


def test_quickstart(tmp_path):
    out = run_example("quickstart.py", cwd=tmp_path)
    assert "8 joint configurations reach this pose" in out
    assert "IkSolution(joints=[20.0000, 30.0000, -40.0000, 50.0000, 60.0000, 70.0000]" in out
    assert "Solutions for a target 5 m away: (0, 6) and closest: None" in out


def test_follow_path_output(tmp_path):
    pytest.importorskip("matplotlib")
    out = run_example("follow_path.py", "--steps", 100, "--plot", tmp_path / "joints.png", cwd=tmp_path)
    largest = float(re.search(r"largest joint step: ([0-9.]+) degrees", out).group(1))
    assert 0 < largest < 1.0
    assert "solution kinds met: SolutionKind.Regular" in out
    assert (tmp_path / "joints.png").stat().st_size > 10_000


def test_follow_line_stays_on_the_line_in_one_configuration():
    follow_path = load_example("follow_path.py")
    robot = talvane.Crx.crx10ia()
    start = np.array([10.0, 20.0, -10.0, 15.0, -75.0, 30.0])
    move = np.array([0.0, 200.0, 0.0])
    path, solutions = follow_path.follow_line(robot, start, move, 100)
    assert path.shape == (101, 6) and len(solutions) == 100
    np.testing.assert_array_equal(path[0], start)
    start_pose = robot.fk(start)
    for step, joints in enumerate(path):
        reached = robot.fk(joints)
        np.testing.assert_allclose(reached[:3, :3], start_pose[:3, :3], atol=1e-8)
        np.testing.assert_allclose(reached[:3, 3], start_pose[:3, 3] + move * step / 100, atol=1e-8)
    # 2 mm per step never needs more than a fraction of a degree in any joint.
    assert follow_path.largest_step(path) < 1.0


def test_follow_line_reports_an_unreachable_point():
    follow_path = load_example("follow_path.py")
    robot = talvane.Crx.crx10ia()
    with pytest.raises(ValueError, match=r"step 1: the target .* is out of reach"):
        follow_path.follow_line(robot, np.zeros(6), np.array([5000.0, 0.0, 0.0]), 1)


@pytest.mark.parametrize("model", ["crx10ia", "crx5ia"])
def test_draw_robot_views(tmp_path, model):
    pytest.importorskip("matplotlib")
    out = tmp_path / "robot.png"
    joints = ["0", "30", "-30", "0", "-90", "0"]
    args = ["--model", model, "--joints", *joints, "--frames", "--size", "150", "--out", out]
    text = run_example("draw_robot.py", *args, cwd=tmp_path)
    assert "1 configuration(s) x 3 view(s)" in text
    read_png(out, 450, 150)


def test_draw_robot_solutions_grid(tmp_path):
    pytest.importorskip("matplotlib")
    out = tmp_path / "solutions.png"
    args = [
        *["--solutions-of", "20", "30", "-40", "50", "60", "70", "--columns", "4", "--size", "100", "--out"],
        out,
    ]
    text = run_example("draw_robot.py", *args, cwd=tmp_path)
    assert "8 configuration(s) x 1 view(s)" in text
    read_png(out, 400, 200)


def test_draw_robot_refuses_a_model_without_meshes(tmp_path):
    pytest.importorskip("matplotlib")
    command = [sys.executable, str(EXAMPLES / "draw_robot.py"), "--model", "crx30ia"]
    result = subprocess.run(command, cwd=tmp_path, capture_output=True, text=True, check=False)
    assert result.returncode == 2 and "invalid choice: 'crx30ia'" in result.stderr


def test_draw_solution_kinds(tmp_path):
    pytest.importorskip("matplotlib")
    text = run_example("draw_solution_kinds.py", "--out-dir", tmp_path, "--size", 120, cwd=tmp_path)
    # One panel per solution from the example's circle point: a twin pair, or for the axis-degenerate
    # pose two pairs (elbow on either side).
    for file, kind, panels in [
        ("kind-regular.png", "Regular", 2),
        ("kind-axis-degenerate.png", "AxisDegenerate", 4),
        ("kind-singular-family.png", "SingularFamily", 2),
    ]:
        assert text.count(f"kind={kind})") == panels
        read_png(tmp_path / file, 120 * panels, 120)


@pytest.mark.parametrize("model", [talvane.CrxModel.Crx10iA, talvane.CrxModel.Crx5iA])
def test_export_stl_holds_the_posed_meshes(tmp_path, model):
    trimesh = pytest.importorskip("trimesh")
    name = "crx10ia" if model == talvane.CrxModel.Crx10iA else "crx5ia"
    joints = [45, -20, 40, 60, 30, 90]
    out = tmp_path / "robot.stl"
    run_example("export_meshes.py", "--model", name, "--joints", *joints, "--out", out, cwd=tmp_path)

    posed = talvane.LinkMeshes.load(model).posed(talvane.Crx.from_model(model), joints)
    expected = np.concatenate([mesh.vertices[mesh.faces] for mesh in posed])
    loaded = trimesh.load(out, process=False)
    assert len(loaded.faces) == sum(mesh.face_count for mesh in posed)
    # STL stores float32 corners, triangle by triangle in the order written.
    np.testing.assert_allclose(loaded.vertices[loaded.faces], expected, atol=1e-3)


def test_export_gltf_keeps_links_and_poses(tmp_path):
    trimesh = pytest.importorskip("trimesh")
    joints = [0, 30, -30, 0, -90, 0]
    out = tmp_path / "robot.glb"
    run_example("export_meshes.py", "--joints", *joints, "--out", out, cwd=tmp_path)

    model = talvane.CrxModel.Crx10iA
    meshes = talvane.LinkMeshes.load(model)
    poses = meshes.poses(talvane.Crx.from_model(model), joints)
    scene = trimesh.load(out)
    names = ["base", "link1", "upper_arm", "elbow", "forearm", "wrist", "flange"]
    assert sorted(scene.graph.nodes_geometry) == sorted(names)
    for name, mesh, pose in zip(names, meshes.links, poses):
        transform, geometry = scene.graph.get(frame_to=name, frame_from="robot")
        np.testing.assert_allclose(transform[:3, :3], pose[:3, :3], atol=1e-6)
        np.testing.assert_allclose(transform[:3, 3], pose[:3, 3] / 1000, atol=1e-9)
        assert len(scene.geometry[geometry].faces) == mesh.face_count
    # In glTF's world +y is up: the robot's height becomes y and its y becomes -z.
    x, y, z = poses[6][:3, 3] / 1000
    np.testing.assert_allclose(scene.graph.get(frame_to="flange")[0][:3, 3], [x, z, -y], atol=1e-9)


def test_cell_program_output_and_picture(tmp_path):
    pytest.importorskip("matplotlib")
    out = run_example("cell_program.py", "--out", tmp_path / "cell.png", "--size", 200, cwd=tmp_path)
    rows = [line for line in out.splitlines() if line.startswith("P[")]
    assert [row.split()[0] for row in rows] == [f"P[{n}]" for n in range(1, 7)]
    assert rows[4].split("|")[0].split()[-6:] == ["300.0", "350.0", "0.0", "180.0", "0.0", "-160.0"]
    largest = re.search(r"largest step per joint: (.*)", out).group(1)
    assert max(float(part.split()[1]) for part in largest.split(", ")) < 1.0
    assert re.search(r"J6 ends at 203\.\d\d; Crx\.ik lists this configuration with J6 = -156\.\d\d", out)
    read_png(tmp_path / "cell.png", 400, 200)


def test_cell_program_reaches_every_point_within_the_limits():
    program = load_example("cell_program.py")
    cell = program.make_cell()
    poses, path, indices = program.solve_program(cell, step=10.0)
    assert path.shape == (len(poses), 6) and indices[0] == 0 and indices[-1] == len(poses) - 1
    assert np.all((cell.lower <= path) & (path <= cell.upper))
    elbow = path[:, 1] + path[:, 2]
    assert np.all((cell.j2_plus_j3[0] <= elbow) & (elbow <= cell.j2_plus_j3[1]))
    for joints, pose in zip(path, poses):
        np.testing.assert_allclose(cell.fk(joints), pose, rtol=0, atol=1e-8)
    taught = talvane.pose_from_xyzwpr([point[1:] for point in program.PROGRAM])
    np.testing.assert_allclose(poses[indices], taught, rtol=0, atol=1e-12)
    # One configuration throughout: no joint ever jumps, and J6 runs on past 180.
    assert np.abs(np.diff(path, axis=0)).max() < 2.0
    assert path[-1, 5] > 180


def test_cell_program_interpolates_rotations_the_short_way():
    program = load_example("cell_program.py")
    a, b = talvane.pose_from_xyzwpr([[0, 0, 0, 180, 0, 90], [100, 0, 0, 180, 0, -160]])
    moves = program.linear_move(a, b, 10.0)
    assert len(moves) == 10
    np.testing.assert_allclose(moves[-1], b, atol=1e-12)
    turned = talvane.xyzwpr_from_pose(moves)[:, 5]
    # From R = 90 to R = -160 is +110 degrees, through 180, not -250.
    np.testing.assert_allclose(
        np.diff(np.unwrap(np.radians(turned), period=2 * np.pi)), np.radians(11.0), atol=1e-9
    )


def test_reachability_map_on_two_worker_processes(tmp_path):
    pytest.importorskip("dask.distributed")
    pytest.importorskip("matplotlib")
    args = ["--grid", 7, "--rings", 1, "--per-ring", 4, "--chunk", 5, "--workers", 2, "--no-progress"]
    out = run_example("reachability_map.py", *args, "--limits", "--out", tmp_path / "map.png", cwd=tmp_path)
    assert "49 points x 5 orientations = 245 poses on 2 worker(s)" in out

    example = load_example("reachability_map.py")
    cell = example.make_solver("crx10ia", limits=True)
    points = example.grid_points(1400.0, 7, [0.0]).reshape(-1, 3)
    shares = example.reach_shares(cell, points, example.tool_orientations(30.0, 1, 4))
    # The cluster's figures are those of the same solves in this process.
    assert f"in every orientation: {(shares == 1).sum()}, in some: {(shares > 0).sum()}" in out
    assert f"mean share: {shares.mean():.4f}" in out
    assert 0 < (shares == 1).sum() < (shares > 0).sum() < len(points)
    image = pytest.importorskip("matplotlib.image").imread(tmp_path / "map.png")
    assert image.shape[2] >= 3 and image.shape[1] > image.shape[0]


def test_reachability_shares_count_poses_with_a_solution():
    example = load_example("reachability_map.py")
    robot = talvane.Crx.crx10ia()
    orientations = example.tool_orientations(30.0, 2, 3)
    assert orientations.shape == (7, 3, 3)
    tilts = np.degrees(np.arccos(-orientations[:, 2, 2]))  # the flange z axis against straight down
    np.testing.assert_allclose(tilts, [0, 15, 15, 15, 30, 30, 30], atol=1e-12)
    points = np.array([[500.0, 0.0, 0.0], [0.0, 0.0, 0.0], [3000.0, 0.0, 0.0], [900.0, 500.0, -200.0]])
    shares = example.reach_shares(robot, points, orientations)
    for point, share in zip(points, shares):
        poses = [np.block([[r, point[:, None]], [np.zeros((1, 3)), np.ones((1, 1))]]) for r in orientations]
        assert share == np.mean([len(robot.ik(pose)) > 0 for pose in poses])
    assert shares[0] == 1 and shares[2] == 0
    limited = example.reach_shares(example.make_solver("crx10ia", limits=True), points, orientations)
    assert np.all(limited <= shares)
    with pytest.raises(ValueError, match="no published joint ranges for crx10ial"):
        example.make_solver("crx10ial", limits=True)
