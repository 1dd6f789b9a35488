"""Time of LinkMeshes.load per model (median over 50 loads) and the stream bytes embedded for it.

The embedded bytes are exactly the stream files in core/data that the build compiles in.
"""

import statistics
import sys
import time
from pathlib import Path

import talvane

DATA = Path(__file__).resolve().parents[2] / "core" / "data"
LOADS = 50
MODELS = [("CRX-5iA", talvane.CrxModel.Crx5iA, "crx5ia"), ("CRX-10iA", talvane.CrxModel.Crx10iA, "crx10ia")]


def median_load_ms(model):
    talvane.LinkMeshes.load(model)  # first use: page in the embedded data
    times = []
    for _ in range(LOADS):
        start = time.perf_counter()
        talvane.LinkMeshes.load(model)
        times.append(time.perf_counter() - start)
    return statistics.median(times) * 1e3


def main():
    print(f"| model | embedded bytes | vertices | faces | load, median of {LOADS} (ms) | decoded MB/s |")
    print("|---|---|---|---|---|---|")
    for name, model, stem in MODELS:
        streams = [DATA / f"{stem}_{index}.qrv" for index in range(7)]
        embedded = sum(path.stat().st_size for path in streams)
        meshes = talvane.LinkMeshes.load(model).links
        vertices = sum(mesh.vertex_count for mesh in meshes)
        faces = sum(mesh.face_count for mesh in meshes)
        milliseconds = median_load_ms(model)
        rate = embedded / milliseconds / 1e3
        print(f"| {name} | {embedded:,} | {vertices:,} | {faces:,} | {milliseconds:.3f} | {rate:.1f} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
