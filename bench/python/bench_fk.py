"""Calls per second of fk and fk_all from Python, and the process memory over a long run."""

import resource
import sys
import time

import numpy as np
import talvane


def calls_per_second(function, argument, seconds=1.0):
    count = 0
    start = time.perf_counter()
    deadline = start + seconds
    while time.perf_counter() < deadline:
        for _ in range(1000):
            function(argument)
        count += 1000
    return count / (time.perf_counter() - start)


def max_rss_mib():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024


def main():
    robot = talvane.Crx.crx10ia()
    joints_list = [20.0, 30.0, -40.0, 50.0, 60.0, 70.0]
    joints_array = np.array(joints_list)
    rows = [
        ("fk, list of floats", calls_per_second(robot.fk, joints_list)),
        ("fk, float64 array", calls_per_second(robot.fk, joints_array)),
        ("fk_all, list of floats", calls_per_second(robot.fk_all, joints_list)),
        ("fk_all, float64 array", calls_per_second(robot.fk_all, joints_array)),
    ]
    print("| call (Python) | calls per second |")
    print("|---|---|")
    for name, rate in rows:
        print(f"| {name} | {rate:,.0f} |")

    robot.fk(joints_list)
    before = max_rss_mib()
    for _ in range(200_000):
        robot.fk(joints_list)
    after = max_rss_mib()
    print(f"\npeak RSS before 200,000 fk calls: {before:.1f} MiB, after: {after:.1f} MiB")
    return 0 if after - before < 5 else 1


if __name__ == "__main__":
    sys.exit(main())
