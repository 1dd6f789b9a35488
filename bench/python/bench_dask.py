"""The reachability map of examples/reachability_map.py on 1 and 2 Dask worker processes.

    pip install .[distributed]
    python bench/python/bench_dask.py [--grid N] [--rounds R] [--workers 1 2]

Each cluster is a LocalCluster of worker processes with one thread each. Before timing, one small
map warms every worker up (the import of talvane, the transfer of the robot); the wall time is the
best of R maps over the whole grid, from submitting the chunks to gathering the shares.
"""

import argparse
import math
import os
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "examples"))

import reachability_map as example


def main():
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter
    )
    parser.add_argument("--grid", type=int, default=81, help="points along each side of the square")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--chunk", type=int, default=64, help="points per task")
    parser.add_argument("--workers", type=int, nargs="+", default=[1, 2])
    parser.add_argument("--limits", action="store_true")
    args = parser.parse_args()
    from dask.distributed import Client, LocalCluster

    solver = example.make_solver("crx10ia", args.limits)
    orientations = example.tool_orientations(30.0, 3, 8)
    points = example.grid_points(1400.0, args.grid, [0.0])
    poses = points[..., 0].size * len(orientations)
    times = {}
    maps = {}
    for workers in args.workers:
        with (
            LocalCluster(
                n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=None
            ) as cluster,
            Client(cluster) as client,
        ):
            client.wait_for_workers(workers)
            example.reachability_map(
                client, solver, points[:, :4, :4], orientations, args.chunk, progress=False
            )
            best = math.inf
            for _ in range(args.rounds):
                start = time.perf_counter()
                maps[workers] = example.reachability_map(
                    client, solver, points, orientations, args.chunk, progress=False
                )
                best = min(best, time.perf_counter() - start)
            times[workers] = best
    first = args.workers[0]
    if any((maps[w] != maps[first]).any() for w in maps):
        sys.exit("the maps of different clusters differ")
    load = ", ".join(f"{x:.2f}" for x in os.getloadavg())
    print(
        f"map of {points[..., 0].size} points x {len(orientations)} orientations = {poses} poses "
        f"({args.grid}x{args.grid} grid, chunks of {args.chunk} points), best of {args.rounds}, "
        f"{os.cpu_count()} cores, load {load}"
    )
    print("| worker processes | wall time (s) | µs per pose | speed-up |")
    print("|---:|---:|---:|---:|")
    for workers, seconds in times.items():
        print(f"| {workers} | {seconds:.3f} | {seconds / poses * 1e6:.2f} | {times[first] / seconds:.2f}x |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
