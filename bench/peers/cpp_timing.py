"""Builds the C++ timer of solve_ik and runs it on the target sets, so talvane is also timed without
Python."""

import os
import shutil
import subprocess
import tempfile
from pathlib import Path

import numpy as np

REPO = Path(__file__).resolve().parents[2]
TARGET = "bench_solve_ik_targets"


def build(build_dir):
    """The timer's path, or None and the reason it could not be built."""
    if shutil.which("cmake") is None:
        return None, "cmake is not installed"
    generator = ["-G", "Ninja"] if shutil.which("ninja") else []
    configure = [
        "cmake",
        "-S",
        str(REPO),
        "-B",
        str(build_dir),
        *generator,
        "-DCMAKE_BUILD_TYPE=Release",
        "-DTALVANE_BUILD_BENCH=ON",
        "-DTALVANE_BUILD_PYTHON=OFF",
        "-DTALVANE_BUILD_TESTS=OFF",
    ]
    steps = (configure, ["cmake", "--build", str(build_dir), "-j2", "--target", TARGET])
    for step in steps:
        done = subprocess.run(step, capture_output=True, text=True, check=False)
        if done.returncode != 0:
            first_lines = " ".join(" ".join(done.stderr.split()).split("CMake Error")[:2])[:300]
            return None, f"`{' '.join(step[:2])}` failed: {first_lines or done.stdout.strip()[-300:]}"
    for path in Path(build_dir).rglob(TARGET):
        if path.is_file() and os.access(path, os.X_OK):
            return path, ""
    return None, f"{TARGET} was not produced"


def time_sets(target_sets, repeats=3, executable=None, ordinary_pass=False):
    """Per set: (times in µs, solution counts), or None and the reason.

    Without `executable` the timer is built from this checkout first. With `ordinary_pass` only the
    ordinary pass of solve_ik runs, without the searches of hard poses.
    """
    if executable is None:
        executable, reason = build(REPO / "build" / "bench-peers")
        if executable is None:
            return None, reason
    with tempfile.TemporaryDirectory() as folder:
        path = Path(folder) / "targets.txt"
        with open(path, "w") as out:
            for s in target_sets:
                dims = f"{s.robot.z1!r} {s.robot.x1!r} {s.robot.x2!r} {s.robot.y1!r}"
                out.writelines(
                    dims + " " + " ".join(repr(float(v)) for v in pose.ravel()) + "\n" for pose in s.poses
                )
        flags = ["--ordinary-pass"] if ordinary_pass else []
        done = subprocess.run(
            [str(executable), *flags, str(path), str(repeats)], capture_output=True, text=True, check=False
        )
    if done.returncode != 0:
        return None, f"{TARGET} exited with {done.returncode}: {done.stderr.strip()[-400:]}"
    rows = np.array([line.split() for line in done.stdout.split("\n") if line], dtype=float).reshape(-1, 2)
    results = []
    start = 0
    for s in target_sets:
        chunk = rows[start : start + len(s.poses)]
        results.append((chunk[:, 0] / 1e3, chunk[:, 1].astype(int)))
        start += len(s.poses)
    return results, ""
