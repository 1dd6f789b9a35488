"""Completeness of Crx.ik at singular and special poses: round joints, folded and stretched arm,
wrist singular, arm along the J1 axis, wrist centre on the J1 axis with the flange along it, on
every catalogued model and a few from_params arms.

    python bench/ik/hard_poses.py [--count N] [--models crx10ia,params1] [--families folded,round]
                                  [--other-arms] [--ssik] [--no-cpp | --cpp PATH] [--out FILE.md | FILE.json]

Each target is fk(q) of a generated joint vector q, fed back to ik. Per family and model it counts:
- empty results, and invalid rows (fk more than 1e-8 from the target in some element);
- q not covered, outside the bands: the failures that matter (by the straight-segment rule; how
  many of them a curved path through a flat valley joins to a row is shown beside);
- q inside the bands (forearm point P within 1e-6 * z1 of the shoulder or the J1 axis), where any
  valid row will do, and how many of those got none;
- of those, the axis-isolated ones (P on the axis, the elbow off it: isolated solutions that the
  bands excuse), and how many of them are not covered;
- of those with P at the shoulder, the ones with valid rows none of which is of q's family or the
  tube around it (not a failure, as the bands excuse q, but a family the list lacks; see
  hard_pose_scoring.shoulder_family_listed);
- with --ssik, targets where ssik finds a valid solution that no valid row of talvane's covers, by
  where that solution lies; outside the bands both by the straight rule and with curved valleys
  joined (a point of the same flat valley is the same solution; see hard_pose_scoring), and apart
  from those the targets where such a solution lies in the tube of near-solutions around a family.
With --other-arms the arms are those of hard_pose_families.OTHER_ARMS instead: mirror images, arms
without lateral or flange offset and arms with a lateral offset longer than the upper arm (ssik has
no chain for them).
Times are per target, from the C++ timer (bench/ik/solve_ik_targets.cpp, built from this checkout
unless --cpp names one) or, with --no-cpp, from the Python calls; with --ssik the table also gives
the median and p99 of both solvers timed alike from Python (ssik's with its frame conversions). In C++
the ordinary pass of solve_ik is also timed alone, without the searches of hard poses: its rows lead
every result, so its tail is the floor under the solver's. The exit status is 1 when a failure
other than the axis-isolated counts was found.
"""

import argparse
import os
import sys
import time
from pathlib import Path
from types import SimpleNamespace

import numpy as np

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parent / "peers"))

import cpp_timing  # noqa: E402
import hard_pose_families as families  # noqa: E402
import hard_pose_report as report  # noqa: E402
import hard_pose_scoring as scoring  # noqa: E402


def names(text, known, what):
    chosen = [n.strip() for n in text.split(",") if n.strip()]
    unknown = [n for n in chosen if n not in known]
    if unknown or not chosen:
        raise SystemExit(
            f"unknown {what} {', '.join(unknown) or '(none given)'}; choose from: {', '.join(known)}"
        )
    return chosen


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    all_models = [name for name, _ in families.models()]
    other_arms = list(families.OTHER_ARMS)
    parser.add_argument("--count", type=int, default=2000, help="targets per family and model")
    parser.add_argument("--models", help=f"default every one of: {', '.join(all_models)}")
    parser.add_argument(
        "--other-arms", action="store_true", help=f"run the other arms instead: {', '.join(other_arms)}"
    )
    parser.add_argument("--families", default=",".join(families.FAMILIES), help=", ".join(families.FAMILIES))
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--ssik", action="store_true", help="cross-check with ssik on the catalogued models")
    parser.add_argument("--no-cpp", action="store_true", help="time the Python calls instead of C++")
    parser.add_argument("--cpp", metavar="PATH", help="an existing bench_solve_ik_targets executable")
    parser.add_argument("--repeats", type=int, default=3, help="C++ timed solves per target (median kept)")
    parser.add_argument(
        "--segment-tolerance",
        type=float,
        default=scoring.REACH_TOLERANCE,
        help="largest pose error allowed along a covering segment (default %(default)g, the reach tolerance)",
    )
    parser.add_argument("--examples", type=int, default=5, help="failures listed per kind, family and model")
    parser.add_argument("--out", type=Path, help="also write the report here (.json for JSON, else Markdown)")
    args = parser.parse_args()
    if not args.segment_tolerance >= 0:
        parser.error("--segment-tolerance must be a number >= 0")
    if args.count <= 0 or args.repeats <= 0 or args.examples < 0:
        parser.error("--count and --repeats must be positive, --examples not negative")
    if args.cpp and args.no_cpp:
        parser.error("--cpp and --no-cpp exclude each other")
    if args.cpp and not (Path(args.cpp).is_file() and os.access(args.cpp, os.X_OK)):
        parser.error(f"--cpp {args.cpp}: not an executable file")
    known = other_arms if args.other_arms else all_models
    args.models = names(args.models or ",".join(known), known, "model")
    args.families = names(args.families, list(families.FAMILIES), "family")
    return args


def ssik_peer_or_exit():
    import ssik_peer

    try:
        import ssik  # noqa: F401
    except ImportError as error:
        raise SystemExit(
            f"--ssik needs ssik (pip install -r bench/peers/requirements.txt): {error}"
        ) from error
    return ssik_peer


def run_set(tally, robot, joints, args, ssik_peer):
    poses = np.array([robot.fk(q) for q in joints])
    for q, target in zip(joints, poses):
        start = time.perf_counter_ns()
        rows = robot.ik(target)
        tally.python_us.append((time.perf_counter_ns() - start) / 1e3)
        outcome = scoring.judge(robot, q, target, rows, args.segment_tolerance)
        tally.outside_bands.append(not outcome.in_bands)
        tally.targets += 1
        tally.rows += outcome.rows
        tally.count_rows(q, outcome.rows)
        tally.empty += outcome.empty
        tally.invalid_rows += outcome.invalid_rows
        tally.uncovered += outcome.uncovered
        tally.uncovered_through_valley += outcome.uncovered_through_valley
        tally.in_bands += outcome.in_bands
        tally.band_unserved += outcome.band_unserved
        tally.shoulder_family_missing += outcome.shoulder_family_missing
        tally.axis_isolated += outcome.axis_isolated
        tally.axis_isolated_uncovered += outcome.axis_isolated_uncovered
        listing = {"q": q, "rows": outcome.rows, "valid": len(outcome.valid)}
        for key in (
            "empty",
            "uncovered",
            "band_unserved",
            "shoulder_family_missing",
            "axis_isolated_uncovered",
        ):
            if getattr(outcome, key) and len(tally.examples[key]) < args.examples:
                shoulder, axis = scoring.forearm_offsets(robot, q)
                distance, worst = scoring.nearest_row(robot, outcome.valid, q, target)
                tally.note(
                    key,
                    args.examples,
                    **listing,
                    P_from_shoulder_mm=shoulder,
                    P_from_J1_axis_mm=axis,
                    nearest_row_rad=distance,
                    segment_worst=worst,
                )
        if outcome.invalid_rows:
            bad = [row for row in np.asarray(rows) if not scoring.reaches(robot, row, target)]
            error = (
                float(np.abs(robot.fk(bad[0])[:3] - target[:3]).max())
                if np.all(np.isfinite(bad[0]))
                else "nan"
            )
            tally.note("invalid", args.examples, q=q, row=bad[0], error=error)
        if ssik_peer is not None:
            check_with_ssik(tally, robot, q, target, outcome, args, ssik_peer)
    return poses


def check_with_ssik(tally, robot, q, target, outcome, args, ssik_peer):
    try:
        start = time.perf_counter_ns()
        peer_rows = ssik_peer.ssik_solutions(tally.model, target)
        tally.ssik_us.append((time.perf_counter_ns() - start) / 1e3)
    except Exception as error:  # noqa: BLE001 - a peer's failure is counted, not fatal
        tally.ssik_errors += 1
        tally.note("ssik_errors", args.examples, q=q, error=repr(error))
        return
    only = scoring.peer_only(robot, peer_rows, outcome.valid, target, args.segment_tolerance)
    outside = [
        row
        for row in only
        if row.placement == scoring.OUTSIDE and row.joined not in (scoring.FAMILY, scoring.TUBE)
    ]
    tally.ssik_only_straight += bool(
        [row for row in only if scoring.placement(robot, row.joints) == scoring.OUTSIDE]
    )
    for key, rows in (
        ("ssik_only", [row for row in outside if row.joined is None]),
        ("ssik_only_valley", [row for row in outside if row.joined in (scoring.VALLEY, scoring.POLISHED)]),
        ("ssik_only_family", [row for row in only if row.joined == scoring.FAMILY]),
        ("ssik_only_tube", [row for row in only if row.joined == scoring.TUBE]),
        (
            "ssik_only_axis_isolated",
            [r for r in only if r.placement == scoring.AXIS_ISOLATED and r.joined is None],
        ),
        ("ssik_only_in_family", [r for r in only if r.placement == scoring.IN_FAMILY and r.joined is None]),
    ):
        if rows:
            setattr(tally, key, getattr(tally, key) + 1)
            if len(tally.examples[key]) < args.examples:
                distance, worst = scoring.nearest_row(robot, outcome.valid, rows[0].joints, target)
                tally.note(
                    key,
                    args.examples,
                    q=q,
                    ssik=rows[0].joints,
                    ssik_rows=len(rows),
                    talvane_valid=len(outcome.valid),
                    nearest_row_rad=distance,
                    segment_worst=worst,
                )


def time_in_cpp(tallies, sets, args):
    """C++ times into the tallies; the reason if there are none."""
    if args.no_cpp:
        return "--no-cpp"
    results, reason = cpp_timing.time_sets(sets, args.repeats, executable=args.cpp)
    if results is None:
        return reason
    for tally, (_, counts) in zip(tallies, results):
        if int(counts.sum()) != tally.rows:
            return (
                f"the C++ timer found {int(counts.sum())} solutions on {tally.model} {tally.family}, "
                f"the module {tally.rows}: they are not the same solver "
                "(give --cpp the timer built with the module)"
            )
    ordinary, reason = cpp_timing.time_sets(sets, args.repeats, executable=args.cpp, ordinary_pass=True)
    if ordinary is None:
        return reason
    for tally, (times_us, _), (ordinary_us, _) in zip(tallies, results, ordinary):
        tally.cpp_us = [float(t) for t in times_us]
        tally.cpp_ordinary_pass_us = [float(t) for t in ordinary_us]
    return ""


def main():
    args = parse_arguments()
    ssik_peer = ssik_peer_or_exit() if args.ssik else None
    all_models = families.other_arms() if args.other_arms else families.models()
    check_rng = np.random.default_rng(args.seed)
    tallies, sets = [], []
    started = time.perf_counter()
    for model_index, (model, robot) in enumerate(all_models):
        if model not in args.models:
            continue
        scoring.check_forearm_point(robot, check_rng)
        peer = ssik_peer if ssik_peer is not None and model in ssik_peer.MODELS else None
        for family_index, family in enumerate(families.FAMILIES):
            if family not in args.families:
                continue
            # Seeded by position in the full lists, so a subset run repeats the same targets.
            rng = np.random.default_rng([args.seed, model_index, family_index])
            joints = families.FAMILIES[family](rng, args.count, robot)
            if len(joints) == 0:
                continue  # the arm has no such pose
            tally = report.Tally(model, family, ssik_checked=peer is not None)
            poses = run_set(tally, robot, joints, args, peer)
            tallies.append(tally)
            sets.append(SimpleNamespace(robot=robot, poses=poses))
            print(
                f"{model:9} {family:18} {tally.targets} targets, {tally.failures()} failures "
                f"({time.perf_counter() - started:.0f} s)",
                file=sys.stderr,
            )
    no_cpp_reason = time_in_cpp(tallies, sets, args)
    robots = dict(all_models)
    dims = "; ".join(
        f"{m} z1 {robots[m].z1!r} x1 {robots[m].x1!r} x2 {robots[m].x2!r} y1 {robots[m].y1!r}"
        for m in args.models
    )
    clock = f"Python calls ({no_cpp_reason})" if no_cpp_reason else "the C++ timer"
    header = (
        f"Hard poses: {args.count} targets per family and model, seed {args.seed}, segment tolerance "
        f"{args.segment_tolerance:g}. Times from {clock}. Robots: {dims}."
    )
    if ssik_peer is not None:
        agreement = "; ".join(
            f"{m} {c.agreement.position_mm:.1e} mm, {c.agreement.rotation:.1e}"
            for m in args.models
            if m in ssik_peer.MODELS
            for c in [ssik_peer.chain(m)]
        )
        header += f" ssik's fk against talvane's, largest difference over random joints: {agreement}."
    text = report.markdown(tallies, header)
    print(text)
    if args.out:
        settings = dict(vars(args), out=str(args.out), timing=no_cpp_reason or "C++", robots=dims)
        args.out.write_text(report.to_json(tallies, settings) if args.out.suffix == ".json" else text)
    return 1 if any(t.failures() for t in tallies) else 0


if __name__ == "__main__":
    sys.exit(main())
