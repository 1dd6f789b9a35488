"""ik_many on one thread against two threads over the halves of the same batch.

    python bench/python/bench_threads.py [--targets N] [--rounds R] [--threads T]

The batch methods release the interpreter lock while they solve, so T threads each solving 1/T of
the batch should take 1/T of the time on T free cores. Each figure is the best of R rounds, the one-
and T-thread runs taking turns, since the machine may be shared; the load average is printed with
them.
"""

import argparse
import math
import os
import sys
import threading
import time

import numpy as np
import talvane


def wall_time(robot, parts):
    """Seconds until every part has been solved, each by its own thread."""
    threads = [threading.Thread(target=robot.ik_many, args=(part,)) for part in parts]
    start = time.perf_counter()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter
    )
    parser.add_argument("--targets", type=int, default=20000)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--seed", type=int, default=20261208)
    args = parser.parse_args()

    robot = talvane.Crx.crx10ia()
    targets = robot.fk_many(np.random.default_rng(args.seed).uniform(-170, 170, (args.targets, 6)))
    parts = np.array_split(targets, args.threads)
    single = many = math.inf
    for _ in range(args.rounds):
        single = min(single, wall_time(robot, [targets]))
        many = min(many, wall_time(robot, parts))
    load = ", ".join(f"{x:.2f}" for x in os.getloadavg())
    print(
        f"{args.targets} random CRX-10iA targets, best of {args.rounds} rounds, {os.cpu_count()} cores, "
        f"load {load}"
    )
    print("| threads | wall time (s) | µs per target |")
    print("|---:|---:|---:|")
    for count, seconds in ((1, single), (args.threads, many)):
        print(f"| {count} | {seconds:.3f} | {seconds / args.targets * 1e6:.2f} |")
    print(f"\nspeed-up on {args.threads} threads: {single / many:.2f}x")
    return 0


if __name__ == "__main__":
    sys.exit(main())
