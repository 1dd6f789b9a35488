"""Per-target cost of the batch calls against the single calls in a Python loop and against C++.

    python bench/python/bench_batch.py [--targets N] [--rounds R]
        [--cpp build/bench/bench/ik/bench_solve_ik_batch] [--cpp-fk build/bench/bench/fk/bench_fk]

`ik_many` over N random reachable CRX-10iA targets against `ik` called N times, and, with --cpp,
against the same solves in C++ (one pass over all the targets, bench/ik/solve_ik_batch.cpp): the
difference is what the batch adds per target (converting the input, one (k, 6) array per target
and the list). `fk_many` likewise against `fk` and, with --cpp-fk, against C++'s fk rate. Each
figure is the best of R rounds, the calls taking turns, since the machine may be shared.
"""

import argparse
import math
import re
import subprocess
import sys
import tempfile
import time

import numpy as np
import talvane
from target_file import write_targets


def time_per_target(function, count):
    start = time.perf_counter_ns()
    function()
    return (time.perf_counter_ns() - start) / count / 1000


def cpp_batch_microseconds(executable, robot, targets, rounds):
    """C++'s time per target for one pass of solve_ik over all the targets (best round), and the
    solution count."""
    with tempfile.NamedTemporaryFile("w", suffix=".txt") as target_file:
        write_targets(target_file, robot, targets)
        target_file.flush()
        output = subprocess.run(
            [executable, target_file.name, str(rounds)], capture_output=True, text=True, check=True
        )
    nanoseconds, solutions = output.stdout.split()
    return float(nanoseconds) / 1000, int(solutions)


def cpp_fk_microseconds(executable):
    output = subprocess.run([executable], capture_output=True, text=True, check=True).stdout
    rate = float(re.search(r"^\| fk \| ([0-9.]+) \|", output, re.MULTILINE).group(1))
    return 1e6 / rate


def main():
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter
    )
    parser.add_argument("--targets", type=int, default=5000)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--seed", type=int, default=20261208)
    parser.add_argument("--cpp", metavar="PATH", help="the bench_solve_ik_batch executable")
    parser.add_argument("--cpp-fk", metavar="PATH", help="the bench_fk executable")
    args = parser.parse_args()

    robot = talvane.Crx.crx10ia()
    joints = np.random.default_rng(args.seed).uniform(-170, 170, (args.targets, 6))
    targets = robot.fk_many(joints)
    n = args.targets
    calls = {
        "fk_many": lambda: time_per_target(lambda: robot.fk_many(joints), n),
        "fk in a Python loop": lambda: time_per_target(lambda: [robot.fk(q) for q in joints], n),
        "ik_many": lambda: time_per_target(lambda: robot.ik_many(targets), n),
        "ik in a Python loop": lambda: time_per_target(lambda: [robot.ik(t) for t in targets], n),
    }
    solutions = sum(len(r) for r in robot.ik_many(targets))
    if args.cpp:

        def solve_in_cpp():
            microseconds, cpp_solutions = cpp_batch_microseconds(args.cpp, robot, targets, 1)
            if cpp_solutions != solutions:
                sys.exit(f"C++ found {cpp_solutions} solutions, Python {solutions}: not the same solves")
            return microseconds

        calls["solve_ik in C++"] = solve_in_cpp
    if args.cpp_fk:
        calls["fk in C++"] = lambda: cpp_fk_microseconds(args.cpp_fk)
    # The machine may be shared: the rounds alternate between the calls, and each keeps its best
    # (least disturbed) figure.
    rows = dict.fromkeys(calls, math.inf)
    for _ in range(args.rounds):
        for name, measure in calls.items():
            rows[name] = min(rows[name], measure())

    print(f"{n} random reachable CRX-10iA targets, {solutions} solutions, best of {args.rounds} rounds")
    print("| call | µs per target |")
    print("|---|---:|")
    for name, microseconds in rows.items():
        print(f"| {name} | {microseconds:.3f} |")
    print()
    print(f"ik_many saves {rows['ik in a Python loop'] - rows['ik_many']:.2f} µs per target over the loop")
    if args.cpp:
        print(
            f"ik_many adds {rows['ik_many'] - rows['solve_ik in C++']:.3f} µs per target over C++ "
            "(goal < 0.3)"
        )
    if args.cpp_fk:
        print(f"fk_many adds {rows['fk_many'] - rows['fk in C++']:.3f} µs per target over C++")
    return 0


if __name__ == "__main__":
    sys.exit(main())
