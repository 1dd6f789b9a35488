"""Median microseconds per `ik` call from Python on random reachable CRX-10iA targets.

With --cpp PATH (the bench_solve_ik_targets executable, built with -DTALVANE_BUILD_BENCH=ON), the same
targets are solved in C++ as well, and the difference is the cost of the Python layer: argument
parsing, target conversion and the result array.
"""

import argparse
import math
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np
import talvane
from target_file import write_targets


def random_targets(robot, count, seed):
    rng = np.random.default_rng(seed)
    return [robot.fk(rng.uniform(-170, 170, 6)) for _ in range(count)]


def median_microseconds(function, targets, repeats):
    per_call = []
    for target in targets:
        start = time.perf_counter_ns()
        for _ in range(repeats):
            function(target)
        per_call.append((time.perf_counter_ns() - start) / repeats / 1000)
    return statistics.median(per_call)


def cpp_median_microseconds(executable, robot, targets, repeats):
    """The median over targets of each target's median solve time in C++, and the solution count."""
    with tempfile.NamedTemporaryFile("w", suffix=".txt") as target_file:
        write_targets(target_file, robot, targets)
        target_file.flush()
        output = subprocess.run(
            [executable, target_file.name, str(repeats)], capture_output=True, text=True, check=True
        )
    rows = [line.split() for line in output.stdout.splitlines()]
    return statistics.median(float(ns) / 1000 for ns, _ in rows), sum(int(count) for _, count in rows)


def main():
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter
    )
    parser.add_argument("--targets", type=int, default=1000)
    parser.add_argument("--repeats", type=int, default=20)
    parser.add_argument("--seed", type=int, default=20261208)
    parser.add_argument(
        "--rounds", type=int, default=3, help="each call is measured this many times; best kept"
    )
    parser.add_argument("--cpp", metavar="PATH", help="the bench_solve_ik_targets executable")
    args = parser.parse_args()

    robot = talvane.Crx.crx10ia()
    targets = random_targets(robot, args.targets, args.seed)
    lists = [target.tolist() for target in targets]
    solutions = sum(len(robot.ik(target)) for target in targets)
    calls = {
        "ik, float64 array": lambda: median_microseconds(robot.ik, targets, args.repeats),
        "ik_detailed, float64 array": lambda: median_microseconds(robot.ik_detailed, targets, args.repeats),
        "ik, nested list": lambda: median_microseconds(robot.ik, lists, args.repeats),
    }
    if args.cpp:

        def solve_in_cpp():
            median, cpp_solutions = cpp_median_microseconds(args.cpp, robot, targets, args.repeats)
            if cpp_solutions != solutions:
                sys.exit(f"C++ found {cpp_solutions} solutions, Python {solutions}: not the same solves")
            return median

        calls["solve_ik in C++"] = solve_in_cpp
    # The machine may be shared: the rounds alternate between the calls, and each keeps its best
    # (least disturbed) median.
    best = dict.fromkeys(calls, math.inf)
    for _ in range(args.rounds):
        for name, measure in calls.items():
            best[name] = min(best[name], measure())
    rows = list(best.items())

    print(
        f"{args.targets} random reachable CRX-10iA targets, {solutions} solutions, "
        f"{args.repeats} calls each, best of {args.rounds} rounds"
    )
    print("| call | median µs per call |")
    print("|---|---|")
    for name, microseconds in rows:
        print(f"| {name} | {microseconds:.2f} |")
    if args.cpp:
        overhead = best["ik, float64 array"] - best["solve_ik in C++"]
        print(f"\nPython layer overhead of ik: {overhead:.2f} µs per call")
    return 0


if __name__ == "__main__":
    sys.exit(main())
