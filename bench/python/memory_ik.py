"""Memory over 50,000 `ik_detailed` calls: resident size and the reference counts the calls touch.

Exits with status 1 if the resident size grows by more than 2 MiB after the warm-up or any of the
watched reference counts changes.
"""

import sys

import numpy as np
import talvane

CALLS = 50_000
PAGE_SIZE = 4096


def resident_mib():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * PAGE_SIZE / 2**20


def main():
    robot = talvane.Crx.crx10ia()
    rng = np.random.default_rng(7)
    targets = [robot.fk(rng.uniform(-170, 170, 6)) for _ in range(100)]
    kinds = [
        talvane.SolutionKind.Regular,
        talvane.SolutionKind.AxisDegenerate,
        talvane.SolutionKind.SingularFamily,
    ]

    def run(count):
        for n in range(count):
            for solution in robot.ik_detailed(targets[n % len(targets)]):
                _ = (solution.joints, solution.kind, solution.residual, solution.theta, repr(solution))

    run(1000)
    watched = [robot, targets[0], *kinds]
    counts_before = [sys.getrefcount(o) for o in watched]
    before = resident_mib()
    print(f"resident after warm-up: {before:.1f} MiB")
    for done in range(10_000, CALLS + 1, 10_000):
        run(10_000)
        print(f"after {done:,} ik_detailed calls: {resident_mib():.1f} MiB")
    growth = resident_mib() - before
    counts_after = [sys.getrefcount(o) for o in watched]
    print(f"growth: {growth:+.2f} MiB; reference counts {counts_before} -> {counts_after}")
    return 0 if growth < 2 and counts_before == counts_after else 1


if __name__ == "__main__":
    sys.exit(main())
