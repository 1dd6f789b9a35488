"""Tables, plot and the Markdown page of the peer benchmark."""

import os
import platform
from dataclasses import dataclass

import crx_chain
import measure
import numpy as np
import peers

TALVANE_CPP = "talvane C++"
PEER_PACKAGES = (
    "ik-geo",
    "py-ikgeo-kinematics",
    "eaik",
    "roboticstoolbox-python",
    "ssik",
    "pytracik",
    "numpy",
    "scipy",
)
# Everything from this line on in docs/performance.md is written by other benchmarks, and kept
# when this one rewrites the page.
KEPT_MARKER = "<!-- Sections below are not written by bench/peers/run.py; it keeps them. -->"


@dataclass
class Context:
    args: object
    sets: list
    scores: list
    unavailable: dict
    fk_agreement: dict
    cpp_reason: str
    ikgeo_self_check: object
    family: object
    ssik_chains: object  # [(model, ssik_peer.SsikChain)], or None
    elapsed: float
    talvane_version: object


def cpp_scores(sets, cpp, python_scores):
    """Scores of the C++ timings: same solver, same targets, so the solution figures are Python's."""
    result = []
    for s, (times_us, counts), py in zip(sets, cpp, python_scores):
        if counts.sum() != py.returned:
            raise AssertionError(
                f"{s.model} {s.kind}: C++ found {counts.sum()} solutions, Python {py.returned}"
            )
        score = measure.Score("talvane solve_ik (C++, no Python)", s.model, s.kind)
        for name in ("targets", "found", "distinct_valid", "returned", "reaching", "failures"):
            setattr(score, name, getattr(py, name))
        score.times_us = list(times_us)
        score.label = TALVANE_CPP
        result.append(score)
    return result


def ikgeo_self_check(rng, count=20):
    """ik-geo's two_parallel on its own built-in two-parallel test arm: how often it finds the generator."""
    import ik_geo

    bot = ik_geo.Robot.two_parallel_bot()
    found = returned = least_squares = panics = 0
    worst_position = 0.0
    for q in rng.uniform(-np.pi, np.pi, (count, 6)):
        rotation, position = bot.forward_kinematics(q)
        try:
            solutions = bot.get_ik(rotation, position)
        except BaseException as error:
            if isinstance(error, KeyboardInterrupt):
                raise
            panics += 1
            continue
        returned += len(solutions)
        least_squares += sum(flag for _, flag in solutions)
        for s, _ in solutions:
            worst_position = max(
                worst_position, float(np.abs(np.array(bot.forward_kinematics(s)[1]) - position).max())
            )
        found += any(
            np.abs((np.array(s) - q + np.pi) % (2 * np.pi) - np.pi).max() < 1e-5 for s, _ in solutions
        )
    remodelled = remodelled_two_parallel(rng, count)
    return {
        "count": count,
        "found": found,
        "returned": returned,
        "least_squares": least_squares,
        "panics": panics,
        "worst_position": worst_position,
        **remodelled,
    }


def remodelled_two_parallel(rng, count):
    """ik-geo's two_parallel on the CRX-10iA with no zero offset after J3.

    The J4 point moves to where J4 meets J5 and the J5 point halfway to the J5 origin, so that P[3],
    P[4] and P[5] are all non-zero (the same arm: each point moves along its own axis). This rules
    out a degenerate offset as the only reason it finds nothing.
    """
    import ik_geo
    import talvane

    robot = talvane.Crx.crx10ia()
    z1, x1, x2, y1 = (1e-3 * d for d in (robot.z1, robot.x1, robot.x2, robot.y1))
    x, y, z = crx_chain.X, crx_chain.Y, crx_chain.Z
    p = np.array([0 * x, 0 * x, z1 * z, x1 * x, -0.5 * y1 * y, -0.5 * y1 * y, x2 * x])
    bot = ik_geo.Robot.two_parallel(crx_chain.axes(j3_along_j2=True), p)
    returned = panics = 0
    for q in rng.uniform(-np.pi, np.pi, (count, 6)):
        rotation, position = bot.forward_kinematics(q)
        try:
            returned += len(bot.get_ik(rotation, position))
        except BaseException as error:
            if isinstance(error, KeyboardInterrupt):
                raise
            panics += 1
    return {"remodelled_returned": returned, "remodelled_panics": panics}


def labels(context):
    seen = []
    for s in context.scores:
        if s.label not in seen:
            seen.append(s.label)
    if TALVANE_CPP in seen:  # next to the Python row
        seen.remove(TALVANE_CPP)
        seen.insert(1, TALVANE_CPP)
    return seen


def merged(context, label, random_sets):
    chosen = [s for s in context.scores if s.label == label and (s.kind == "random") == random_sets]
    return measure.merge(chosen, "random" if random_sets else "near-singular") if chosen else None


def percent(x):
    return "—" if np.isnan(x) else f"{100 * x:.2f} %"


def number(x, digits=0):
    return "—" if np.isnan(x) else f"{x:,.{digits}f}"


def summary_table(context, random_sets):
    base = merged(context, "talvane", random_sets).median_us()
    lines = [
        (
            "| Solver | Targets | Completeness | Distinct valid solutions per target | Returned solutions reaching 1e-8 "
            "| Failed calls or seeds | Median µs per target | p90 µs per target | Median time / talvane (Python) |"
        ),
        "|---|---:|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for label in labels(context):
        m = merged(context, label, random_sets)
        lines.append(
            f"| {m.solver} | {m.targets:,} | {percent(m.completeness())} | {number(m.mean_distinct(), 2)} "
            f"| {percent(m.reaching_share())} | {m.failures:,} | {number(m.median_us(), 1)} | {number(m.p90_us(), 1)} "
            f"| {m.median_us() / base:,.2f}× |"
        )
    return "\n".join(lines)


def detail_table(context):
    lines = [
        (
            "| Solver | Model | Targets | Kind | Completeness | Distinct valid per target | Reaching 1e-8 | Failures "
            "| Median µs | p90 µs |"
        ),
        "|---|---|---|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for label in labels(context):
        for s in (x for x in context.scores if x.label == label):
            lines.append(
                f"| {s.solver} | {s.model} | {s.kind} | {s.targets:,} | {percent(s.completeness())} "
                f"| {number(s.mean_distinct(), 2)} | {percent(s.reaching_share())} | {s.failures:,} "
                f"| {number(s.median_us(), 1)} | {number(s.p90_us(), 1)} |"
            )
    lines[0] = lines[0].replace("| Targets | Kind |", "| Kind | Targets |")
    return "\n".join(lines)


def tables(context):
    return "\n\n".join(
        [
            "Random reachable targets (CRX-10iA and CRX-5iA):",
            summary_table(context, True),
            "Near-singular targets (J5 near 0, wrist centre near the J1 axis, arm stretched):",
            summary_table(context, False),
        ]
    )


def speed_ratios(context):
    lines = []
    py = merged(context, "talvane", True).median_us()
    cpp = merged(context, TALVANE_CPP, True)
    for label in labels(context):
        if label in ("talvane", TALVANE_CPP):
            continue
        m = merged(context, label, True)
        against_cpp = f", {m.median_us() / cpp.median_us():,.0f}× talvane's C++ time" if cpp else ""
        lines.append(
            f"- {m.solver}: {m.median_us() / py:,.1f}× talvane's median time from Python{against_cpp}, "
            f"completeness {percent(m.completeness())} against talvane's {percent(merged(context, 'talvane', True).completeness())}."
        )
    if cpp:
        lines.append(
            f"- The Python boundary: talvane's median {py:.1f} µs from Python against {cpp.median_us():.1f} µs in C++ "
            f"({py / cpp.median_us():.2f}×)."
        )
    return "\n".join(lines)


def solutions_talvane_lacks(context):
    """Valid solutions a peer found that talvane did not return for the same target."""
    ours = {(s.model, s.kind): s.valid for s in context.scores if s.label == "talvane"}
    lines = []
    for label in labels(context):
        if label in ("talvane", TALVANE_CPP):
            continue
        extra = []
        for s in (x for x in context.scores if x.label == label):
            for i, found in enumerate(s.valid):
                for q in found:
                    mine = ours[(s.model, s.kind)][i]
                    if (
                        not mine
                        or min(measure.joint_distance_rad(np.array(mine), q)) >= measure.SAME_SOLUTION
                    ):
                        extra.append((s.model, s.kind, q))
        name = next(x.solver for x in context.scores if x.label == label)
        lines.append(f"- {name}: {len(extra)} valid solutions that talvane did not return.")
        for model, kind, q in extra[:10]:
            lines.append(f"  - {model}, {kind}: [{', '.join(f'{v:.9f}' for v in q)}]")
    return "\n".join(lines)


def cpu_name():
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown CPU"


def versions():
    found = [f"{name} {peers.package_version(name)}" for name in PEER_PACKAGES if peers.package_version(name)]
    return ", ".join(found)


def target_geometry(context):
    lines = ["| Model | Kind | Targets | Geometry of the generating joint vectors |", "|---|---|---:|---|"]
    for s in context.sets:
        frames = np.array([s.robot.fk_all(q) for q in s.joints])
        wrist = frames[:, 4, :3, 3]
        if s.kind == "J5 near 0":
            values, what = np.abs(s.joints[:, 4]), "|J5| in degrees"
        elif s.kind == "wrist centre near J1 axis":
            values, what = np.hypot(wrist[:, 0], wrist[:, 1]), "wrist centre distance from the J1 axis, mm"
        elif s.kind == "arm stretched":
            values, what = elbow_bend_degrees(frames), "elbow bend in the arm plane, degrees"
        else:
            values, what = np.abs(s.joints[:, 4]), "|J5| in degrees (uniform joints in [-180, 180))"
        lines.append(
            f"| {s.model} | {s.kind} | {len(s.joints):,} | {what}: min {values.min():.2e}, "
            f"median {np.median(values):.2e}, max {values.max():.2e} |"
        )
    return "\n".join(lines)


def elbow_bend_degrees(frames):
    """Angle between upper arm and J3-to-wrist-centre, both projected on the plane normal to J2's axis.

    Zero is the stretched arm (the elbow singularity of J2 ∥ J3); the component along J2's axis (the
    y1 offset turned by J4) does not bend the elbow.
    """
    normal = frames[:, 1, :3, 1]
    upper = frames[:, 2, :3, 3] - frames[:, 1, :3, 3]
    fore = frames[:, 4, :3, 3] - frames[:, 2, :3, 3]
    upper = upper - np.einsum("ij,ij->i", upper, normal)[:, None] * normal
    fore = fore - np.einsum("ij,ij->i", fore, normal)[:, None] * normal
    cross = np.einsum("ij,ij->i", np.cross(upper, fore), normal)
    return np.degrees(np.abs(np.arctan2(cross, np.einsum("ij,ij->i", upper, fore))))


def missed_targets(context):
    misses = [(s.model, s.kind, q) for s in context.scores if s.label == "talvane" for q in s.missed]
    if not misses:
        return "talvane found the generating joint vector of every target."
    lines = ["talvane missed these generating joint vectors (controller degrees):", ""]
    for model, kind, q in misses:
        lines.append(f"- {model}, {kind}: [{', '.join(f'{v:.9f}' for v in q)}]")
    return "\n".join(lines)


def ikgeo_notes(context):
    check = context.ikgeo_self_check
    lines = [
        (
            "**ik-geo** (IK-Geo's Rust solvers behind a Python binding) is configured from the CRX's H and P "
            "(below), in metres, with J3's axis turned to +y so that J2 and J3 share a direction "
            "(its angle is then −(J2 + J3) in radians). Its forward kinematics agrees with talvane's "
            f"to {context.fk_agreement.get('ik-geo two_parallel', float('nan')):.1e}. Of its solver families, "
            "the `spherical*` ones need a spherical wrist (the CRX's J4, J5 and J6 axes do not meet in one point: "
            "J4 meets J5 at (x1, 0, z1) and J5 meets J6 at the J5 origin, y1 away) and the `three_parallel*` ones "
            "three parallel axes. The CRX has J2 ∥ J3, and J1∩J2, J3∩J4, J4∩J5, J5∩J6 intersecting, so two "
            "families apply in principle, each a 1D search:"
        ),
        "",
        (
            "- `two_parallel` (J2 ∥ J3): samples J1 (1,000 samples in the source we read), solves J4 and J6 at "
            "each sample from two equations along the parallel axes' direction (subproblem 6), J2 + J3 and J2 "
            "by subproblem 1, and searches for the J1 where the upper arm's length fits. J2 ∥ J3 is the CRX's "
            "defining feature and the search needs no other structure, so this is the family that fits the "
            "CRX, and the one a CRX user should pick."
        ),
        (
            "- `two_intersecting` (J5 ∩ J6, with P[5] = 0): searches J4 and places the J5 origin with J1, J2, J3 "
            "by subproblem 5. Subproblem 5 needs its second and third axes not parallel; on the CRX these are "
            "J2 and J3, which are parallel, so it cannot return anything. It is measured to show that."
        ),
        "",
        (
            "ik-geo's `get_ik` flags each returned solution as exact or least-squares. In its source, the 1D "
            "search accepts a sign change of the search error only where both neighbouring samples are below "
            "an absolute 0.1 (in the units of P), which is why the model is given in metres; in millimetres "
            "almost no crossing could qualify. A Rust panic (`Option::unwrap()` on `None` inside the search) reaches Python as "
            "`PanicException`; it is counted as a failed call."
        ),
    ]
    if check:
        lines += [
            "",
            (
                f"As a check that the binding is driven correctly, ik-geo's own built-in two-parallel test arm "
                f"(`Robot.two_parallel_bot()`), solved for {check['count']} random joint vectors of its own forward "
                f"kinematics, returned {check['returned']} solutions ({check['least_squares']} flagged least-squares), "
                f"found the generating vector for {check['found']} and panicked {check['panics']} times; the worst "
                f"position error of a returned solution was {check['worst_position']:.1e} (its units). "
            )
            + (
                "Every solution it returned there was flagged least-squares, so its flags are honest: it "
                "does not pass approximations off as exact."
                if check["least_squares"] == check["returned"]
                else f"{check['returned'] - check['least_squares']} returned solutions were flagged exact."
            ),
            "",
            (
                "Moving the reference points along their axes so that no offset after J3 is zero (J4's point "
                "where J4 meets J5, J5's point halfway between that and the J5 origin) describes the same arm; "
                f"two_parallel on that model, solving {check['count']} poses of its own forward kinematics, "
                f"returned {check['remodelled_returned']} solutions and panicked {check['remodelled_panics']} times. "
                "So the CRX's failure is not only a zero offset; within the published package, no configuration "
                "of ik-geo that we found solves the CRX."
            ),
        ]
    return "\n".join(lines)


def kept_sections(old_page):
    """The part of an existing page from KEPT_MARKER on, with a blank line before it; empty if none."""
    at = old_page.find(KEPT_MARKER)
    return "" if at < 0 else "\n" + old_page[at:]


def ssik_notes(context):
    if context.ssik_chains is None:
        return ""
    rows = []
    for model, c in context.ssik_chains:
        rotation = (
            "identity"
            if np.array_equal(c.tool_rotation, np.eye(3))
            else "rows " + ", ".join(str(tuple(int(v) for v in row)) for row in c.tool_rotation)
        )
        a = c.agreement
        rows.append(f"| {model} | {c.base_drop_mm:g} | {rotation} | {a.position_mm:.1e} | {a.rotation:.1e} |")
    samples = context.ssik_chains[0][1].agreement.samples
    return f"""
**ssik** solves FANUC's own robot descriptions (its prebuilt `ssik.prebuilt.fanuc` chains), not the H
and P above, so before it is timed its forward kinematics is compared with talvane's `fk` for every
model both have, over {samples} random joint vectors each (`bench/peers/ssik_peer.py`). The
description's base sits below talvane's base (the J2 origin) by the J1 column; its lengths are metres;
its third joint is J2 + J3 in radians; its tool frame is talvane's flange turned by a constant
rotation. With those four constant differences the two agree to rounding, which is evidence that
talvane's forward kinematics matches the vendor's model:

| Model | Base below talvane's (mm) | ssik's tool frame in talvane's flange frame | Largest position difference (mm) | Largest rotation-entry difference |
|---|---:|---|---:|---:|
{chr(10).join(rows)}

With joint limits off ssik returns its raw geometric set; with them on (its default) it keeps the
solutions within the description's joint limits and lists every whole-turn copy inside them, so
completeness then counts only generating joint vectors that lie within those limits (its third limit
bounds J2 + J3, not the controller's J3).
"""


def tracik_notes(context):
    label = next((s.solver for s in context.scores if s.label == "pytracik"), None)
    if label is None:
        return ""
    a = context.args
    return f"""
**pytracik** (TRAC-IK: KDL's Newton iteration and an SQP search racing from one seed) gets a URDF
of the same chain (`crx_chain.urdf`, metres, every joint within ±2π) and is run from
{a.tracik_seeds} random seeds per target, {peers.TracIk.TIMEOUT * 1e3:g} ms each (its default),
tolerance {peers.TracIk.EPSILON:g}, on the first {a.tracik_targets} targets of each set. A seed that
ends without a solution counts as a failure. Its solutions stop where TRAC-IK's iterations stop,
often above 1e-8 mm from the target: the "reaching 1e-8" column gives the share that passes, while
completeness compares joints (within 1e-5 rad), so a generating joint vector found less precisely
still counts.
"""


def markdown(context):
    a = context.args
    h = crx_chain.axes(j3_along_j2=True)
    model_lines = "\n".join(
        f"- {name}: P = {np.array2string(crx_chain.offsets(robot), separator=', ').replace(chr(10), '')} (mm)"
        for name, robot in {s.model: s.robot for s in context.sets}.items()
    )
    unavailable = "\n".join(f"- **{label}**: {reason}" for label, reason in context.unavailable.items())
    ikgeo_subset = a.ikgeo_targets
    cpp_line = (
        "talvane is also timed in C++ without Python (`bench/ik/solve_ik_targets.cpp`, the median of 3 solves "
        "per target after a warm-up pass over all targets; same targets, and the same number of solutions as "
        "from Python, which the run checks)."
        if not context.cpp_reason
        else f"talvane was timed from Python only: the C++ timer could not run ({context.cpp_reason})."
    )
    return f"""# Performance against peer IK solvers

Every solver gets the same flange poses of the CRX-10iA and the CRX-5iA and is asked for every joint
configuration that reaches them. Each target is our `fk` of a known joint vector (fixed seed {a.seed}), so
one solution is known in advance.

Reproduce from a fresh clone (about ten minutes on two cores):

```sh
pip install . -r bench/peers/requirements.txt && python bench/peers/run.py
```

## Random reachable targets

{a.random:,} random joint vectors per model, every joint uniform in [-180°, 180°).

{summary_table(context, True)}

![Median time per target against completeness](performance.png)

## Near-singular targets

{a.singular:,} targets per model for each of: J5 near 0 (J4 and J6 nearly parallel), the wrist centre
(J5 origin) near the J1 axis, and the arm stretched (the elbow straight).

{summary_table(context, False)}

## Speed ratios (random targets, median time per target)

{speed_ratios(context)}

## Solutions a peer found and talvane did not

Every valid solution (reaching the target within 1e-8) that a peer returned is looked up among
talvane's solutions for the same target (within 1e-5 rad in every joint, up to whole turns):

{solutions_talvane_lacks(context)}

## How it is measured

- **Completeness**: the share of targets whose generating joint vector is among the returned
  solutions, compared per joint in controller degrees up to whole turns, within 1e-5 rad.
- **Distinct valid solutions per target**: returned solutions whose flange pose, by talvane's `fk`,
  differs from the target by at most 1e-8 in every element of the 4x4 matrix (mm and rotation
  entries), counting solutions that differ by less than 1e-5 rad in every joint once.
- **Returned solutions reaching 1e-8**: of everything a solver returned (for the numerical solver,
  the seeds it reported as converged), the share that reaches the target within 1e-8 by talvane's
  `fk`.
- **Time per target**: wall time of the solver call(s) for one target from Python, median and 90th
  percentile over the targets; for the numerical solver, all seeds of one target together. {cpp_line}
- ik-geo is run on the first {ikgeo_subset} targets of each set only: one call takes tens of
  milliseconds. TRAC-IK is run on the first {a.tracik_targets}: a seed that fails costs its whole
  timeout. Their rows say how many targets they saw.
- The numerical solver is Robotics Toolbox for Python's Levenberg-Marquardt (`ETS.ik_LM`, its C++
  implementation) on the same chain, run from {a.rtb_seeds} uniformly random seeds per target, each seed one
  search of at most {peers.RoboticsToolboxLM.ITERATIONS} iterations without restarts or joint limits, with
  tolerance {peers.RoboticsToolboxLM.TOLERANCE:g} on ½·eᵀe (metres, radians). More seeds find more of the
  solutions and cost proportionally more time.
- Every peer's forward kinematics was compared with talvane's `fk` on 200 random joint vectors per model
  before anything was timed; worst element difference: {", ".join(f"{k} {v:.1e}" for k, v in context.fk_agreement.items())}.

## The CRX as a general 6R arm

Axes at the zero pose (rows, base frame): H = {np.array2string(h, separator=", ").replace(chr(10), "")}
(J3's axis written as +y; the CRX's own is −y). Offsets from a point on one axis to a point on the next,
base frame, zero pose; the J6 point is the J5 origin so that P[5] = 0 (x2 lies along J6's axis):
{model_lines}

The flange adds the constant rotation with rows (0, 0, 1), (0, −1, 0), (1, 0, 0). Controller joints map to
angles about these axes as θ1 = J1, θ2 = J2, θ3 = J3 + J2 (negated for the +y axis), θ4..θ6 = J4..J6.

{ikgeo_notes(context)}

**py-ikgeo-kinematics** (IK-Geo in Rust with the family detected from H and P) detects the CRX as
`{context.family}` and is given the CRX's own axes (J3 along −y) in millimetres.

{ssik_notes(context)}{tracik_notes(context)}
**Not measured**:

{unavailable or "- none"}

## Targets

{target_geometry(context)}

{missed_targets(context)}

## Per set

{detail_table(context)}

## Machine

{cpu_name()}, {os.cpu_count()} logical cores (shared with other work while measuring), {platform.system()}
{platform.release()}, Python {platform.python_version()}; {versions()}. The full run took
{context.elapsed:.0f} s. Times depend on the load of the shared machine: between runs the medians of the
slower solvers moved by up to about 2×; the completeness and solution figures do not change (fixed seeds).
"""


def plot(context, path):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    figure, axes = plt.subplots(figsize=(8.0, 5.0))
    colours = plt.rcParams["axes.prop_cycle"].by_key()["color"]
    for i, label in enumerate(labels(context)):
        colour = colours[i % len(colours)]
        for random_sets, marker in ((True, "o"), (False, "s")):
            m = merged(context, label, random_sets)
            x, y = m.median_us(), 100 * m.completeness()
            axes.plot([x, m.p90_us()], [y, y], color=colour, linewidth=1, alpha=0.6)
            axes.plot(
                x,
                y,
                marker=marker,
                color=colour,
                markersize=8,
                markerfacecolor=colour if random_sets else "none",
                label=m.solver if random_sets else None,
                linestyle="none",
            )
    axes.set_xscale("log")
    axes.set_xlabel("time per target, µs (marker: median, line to p90)")
    axes.set_ylabel("completeness, % of targets")
    axes.set_ylim(-5, 105)
    axes.set_title("CRX-10iA and CRX-5iA: filled = random targets, hollow = near-singular")
    axes.grid(True, which="both", alpha=0.3)
    axes.legend(fontsize=8, loc="center right")
    figure.tight_layout()
    figure.savefig(path, dpi=120)
    plt.close(figure)
