"""Side-by-side benchmark of talvane's Crx.ik against peer IK solvers on the same CRX targets.

    python bench/peers/run.py [--random N] [--singular N] [--ikgeo-targets N] [--rtb-seeds N]
        [--tracik-targets N] [--tracik-seeds N]

Writes docs/performance.md and docs/performance.png and prints the tables. Every peer's forward
kinematics is checked against talvane's before anything is timed; a peer that is missing or refuses
the CRX is reported with its reason instead of measured.
"""

import argparse
import os
import sys
import time
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent))

import cpp_timing
import measure
import peers
import report
import talvane
import targets

DOCS = Path(__file__).resolve().parents[2] / "docs"


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--random", type=int, default=2000, help="random targets per model")
    parser.add_argument("--singular", type=int, default=300, help="targets per model and near-singular kind")
    parser.add_argument("--ikgeo-targets", type=int, default=50, help="targets per set for ik-geo (slow)")
    parser.add_argument("--rtb-seeds", type=int, default=32, help="seeds per target for ik_LM")
    parser.add_argument("--tracik-targets", type=int, default=100, help="targets per set for TRAC-IK (slow)")
    parser.add_argument("--tracik-seeds", type=int, default=8, help="seeds per target for TRAC-IK")
    parser.add_argument("--no-cpp", action="store_true", help="do not build and run the C++ timer")
    parser.add_argument("--docs", type=Path, default=DOCS)
    return parser.parse_args()


def solver_factories(args, rng):
    """(label, factory(robot), targets per set or None for all), in table order."""
    return [
        ("talvane", lambda robot: peers.Talvane(robot), None),
        ("ik-geo two_parallel", lambda robot: peers.IkGeo(robot, "two_parallel"), args.ikgeo_targets),
        ("ik-geo two_intersecting", lambda robot: peers.IkGeo(robot, "two_intersecting"), args.ikgeo_targets),
        ("py-ikgeo-kinematics", lambda robot: peers.PyIkGeoKinematics(robot), None),
        ("EAIK", lambda robot: peers.Eaik(robot), None),
        ("roboticstoolbox", lambda robot: peers.RoboticsToolboxLM(robot, args.rtb_seeds, rng), None),
        ("ssik", lambda robot: peers.Ssik(robot, respect_limits=False), None),
        ("ssik limits", lambda robot: peers.Ssik(robot, respect_limits=True), None),
        ("pytracik", lambda robot: peers.TracIk(robot, args.tracik_seeds, rng), args.tracik_targets),
    ]


def ssik_chains():
    """ssik's chain of every model both have, checked against talvane's fk, or None without ssik."""
    try:
        import ssik_peer

        return [(model, ssik_peer.chain(model)) for model in ssik_peer.MODELS]
    except ImportError:
        return None


def main():
    args = parse_arguments()
    # ik-geo can panic inside its search; one line per panic is enough, without a Rust backtrace.
    os.environ["RUST_BACKTRACE"] = "0"
    started = time.perf_counter()
    rng = np.random.default_rng(args.seed + 1)
    sets = targets.make_sets(args.seed, args.random, args.singular)
    robots = {s.model: s.robot for s in sets}

    # Configure every peer for every model and check its forward kinematics before any timing.
    built = {}  # label -> {model: solver}
    unavailable = {}  # label -> reason
    fk_agreement = {}  # label -> worst element difference
    for label, factory, _ in solver_factories(args, rng):
        try:
            built[label] = {model: factory(robot) for model, robot in robots.items()}
        except peers.PeerUnavailable as error:
            unavailable[label] = str(error)
            print(f"{label}: not measured: {error}")
            continue
        if label != "talvane":
            fk_agreement[label] = max(s.fk_check(rng) for s in built[label].values())
            print(f"{label}: forward kinematics agrees with talvane's to {fk_agreement[label]:.1e}")
    if "talvane" not in built:
        sys.exit(f"talvane cannot be measured: {unavailable.get('talvane')}")

    scores = []  # one per (solver, set)
    for label, _, per_set in solver_factories(args, rng):
        if label not in built:
            continue
        for s in sets:
            count = len(s.poses) if per_set is None else min(per_set, len(s.poses))
            score = measure.measure(built[label][s.model], s, range(count))
            score.label = label
            scores.append(score)
        print(f"{label}: measured ({time.perf_counter() - started:.0f} s)")

    cpp, cpp_reason = (None, "switched off with --no-cpp") if args.no_cpp else cpp_timing.time_sets(sets)
    if cpp is not None:
        cpp_scores = report.cpp_scores(sets, cpp, [s for s in scores if s.label == "talvane"])
        scores += cpp_scores
        print(f"talvane C++: measured ({time.perf_counter() - started:.0f} s)")
    else:
        print(f"talvane C++: not measured: {cpp_reason}")

    context = report.Context(
        args=args,
        sets=sets,
        scores=scores,
        unavailable=unavailable,
        fk_agreement=fk_agreement,
        cpp_reason=cpp_reason,
        ikgeo_self_check=report.ikgeo_self_check(rng) if "ik-geo two_parallel" in built else None,
        family=next(iter(built["py-ikgeo-kinematics"].values())).family
        if "py-ikgeo-kinematics" in built
        else None,
        ssik_chains=ssik_chains(),
        elapsed=time.perf_counter() - started,
        talvane_version=getattr(talvane, "__version__", None),
    )
    args.docs.mkdir(parents=True, exist_ok=True)
    report.plot(context, args.docs / "performance.png")
    markdown = report.markdown(context)
    page = args.docs / "performance.md"
    page.write_text(markdown + report.kept_sections(page.read_text() if page.exists() else ""))
    print()
    print(report.tables(context))
    print(
        f"wrote {args.docs / 'performance.md'} and {args.docs / 'performance.png'} "
        f"in {time.perf_counter() - started:.0f} s"
    )


if __name__ == "__main__":
    main()
