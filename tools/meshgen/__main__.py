"""Regenerate the embedded link-mesh streams.

    python -m tools.meshgen --out core/data              # the fourteen streams
    python -m tools.meshgen --npz /tmp/meshes            # raw meshes, for inspection
    python -m tools.meshgen --pictures docs              # docs/robot-<model>.png

Run from the repository root. Every mesh is checked before anything is written; the
output is byte for byte the same on every run.
"""

import argparse
import pathlib
import sys

import numpy as np

from .dimensions import MODELS
from .links import build_model
from .verify import model_problems


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python -m tools.meshgen", description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=pathlib.Path, help="folder for the <model>_<index>.qrv streams")
    parser.add_argument("--npz", type=pathlib.Path, help="folder for the raw meshes as .npz")
    parser.add_argument("--pictures", type=pathlib.Path, help="folder for robot-<model>.png")
    args = parser.parse_args(argv)
    if not (args.out or args.npz or args.pictures):
        parser.error("nothing to do: give --out, --npz or --pictures")

    built = {d.name: build_model(d) for d in MODELS}
    problems = [p for d in MODELS for p in model_problems(d, built[d.name])]
    if problems:
        print("\n".join(problems), file=sys.stderr)
        return 1

    if args.npz:
        args.npz.mkdir(parents=True, exist_ok=True)
        for name, meshes in built.items():
            for i, m in enumerate(meshes):
                np.savez(args.npz / f"{name}_{i}.npz", vertices=m.vertices, faces=m.faces)
    if args.out:
        from .streams import write_streams

        for d in MODELS:
            for path, size in write_streams(d, built[d.name], args.out):
                print(f"{path}: {size} bytes")
    if args.pictures:
        from .render import render_model

        args.pictures.mkdir(parents=True, exist_ok=True)
        for d in MODELS:
            render_model(d, built[d.name], args.pictures / f"robot-{d.name}.png")
    return 0


if __name__ == "__main__":
    sys.exit(main())
