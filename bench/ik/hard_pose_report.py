"""The tallies of hard_poses.py and their Markdown table, failure listings and JSON."""

import json
from dataclasses import asdict, dataclass, field

import numpy as np

# The most rows an ordinary target has: up to eight circle points (the roots of a degree-4
# trigonometric polynomial), each with its twin. More appear only next to singular poses, and the
# listings name the target with the most.
ORDINARY_MOST_ROWS = 16

# Failure listings: key, heading.
LISTINGS = (
    ("empty", "ik returned no rows"),
    ("uncovered", "q not covered, outside the bands"),
    ("band_unserved", "inside the bands, no valid row"),
    ("shoulder_family_missing", "P at the shoulder, valid rows, but none of q's family or its tube"),
    ("invalid", "rows not reaching the target"),
    ("axis_isolated_uncovered", "q axis-isolated (excused by the bands) and not covered"),
    ("ssik_only", "ssik finds, talvane does not (outside the bands)"),
    (
        "ssik_only_valley",
        "ssik finds, joined to a row of talvane's only through a curved valley or once polished",
    ),
    ("ssik_only_family", "ssik finds, outside the bands, but its exact solution is a family member in them"),
    ("ssik_only_tube", "ssik finds, outside the bands, in a family's tube of near-solutions"),
    ("ssik_only_axis_isolated", "ssik finds, talvane does not (axis-isolated)"),
    ("ssik_only_in_family", "ssik finds, talvane does not (a member of a continuous family)"),
    ("ssik_errors", "ssik raised"),
)


@dataclass
class Tally:
    model: str
    family: str
    targets: int = 0
    rows: int = 0
    most_rows: int = 0
    most_rows_q: list | None = None  # the first target with most_rows rows
    empty: int = 0
    invalid_rows: int = 0
    uncovered: int = 0  # by the straight rule
    uncovered_through_valley: int = 0  # of uncovered: joined to a row through a curved valley
    in_bands: int = 0
    band_unserved: int = 0
    shoulder_family_missing: int = 0  # of in_bands, not a failure: counted to be seen
    axis_isolated: int = 0  # of in_bands
    axis_isolated_uncovered: int = 0
    ssik_checked: bool = False
    ssik_only: int = 0  # targets with at least one such solution, valleys joined
    ssik_only_straight: int = 0  # the same by the straight rule alone
    ssik_only_valley: int = 0  # targets with such rows joined through a curved valley or once polished
    ssik_only_family: int = 0  # targets with such rows whose exact solutions are family members
    ssik_only_tube: int = 0  # targets with such rows in the tube of near-solutions around a family
    ssik_only_axis_isolated: int = 0
    ssik_only_in_family: int = 0
    ssik_errors: int = 0
    python_us: list = field(default_factory=list)
    # Per target, in timing order: whether q lies outside the bands, where every solution is isolated.
    outside_bands: list = field(default_factory=list)
    cpp_us: list | None = None
    cpp_ordinary_pass_us: list | None = None  # solve_ik's ordinary pass alone, in C++
    ssik_us: list = field(default_factory=list)  # ssik's solve with the frame conversions, from Python
    examples: dict = field(default_factory=lambda: {key: [] for key, _ in LISTINGS})

    def note(self, key, limit, **record):
        if len(self.examples[key]) < limit:
            self.examples[key].append({k: plain(v) for k, v in record.items()})

    def count_rows(self, q, rows):
        if rows > self.most_rows:
            self.most_rows, self.most_rows_q = rows, plain(np.asarray(q, dtype=float))

    def failures(self):
        ssik = self.ssik_only + self.ssik_errors if self.ssik_checked else 0
        return self.empty + self.invalid_rows + self.uncovered + self.band_unserved + ssik

    def times(self):
        return self.cpp_us if self.cpp_us is not None else self.python_us

    def times_outside_bands(self):
        return [time for time, outside in zip(self.times(), self.outside_bands) if outside]


def plain(value):
    """JSON-ready and exact: floats keep their repr."""
    if isinstance(value, np.ndarray):
        return [float(v) for v in value.ravel()]
    if isinstance(value, np.floating):
        return float(value)
    return value


def percentile(values, q):
    return float(np.percentile(values, q)) if len(values) else float("nan")


def table(tallies):
    timed_in_cpp = all(t.cpp_us is not None for t in tallies)
    clock = "C++ solve_ik" if timed_in_cpp else "Python Crx.ik"
    random_median = {t.model: percentile(t.times(), 50) for t in tallies if t.family == "random"}
    ssik = any(t.ssik_checked for t in tallies)
    head = [
        "model",
        "family",
        "targets",
        "empty",
        "invalid rows",
        "uncovered",
        "uncovered, joined through a valley",
        "in bands",
        "in bands, none valid",
        "shoulder family missing",
    ]
    head += ["axis-isolated", "axis-isolated uncovered"]
    if ssik:
        head += [
            "ssik-only",
            "ssik-only, straight rule",
            "ssik-only in a family's tube",
            "ssik-only axis-isolated",
            "ssik-only in family",
        ]
    head += ["most rows", f"median µs ({clock})", "p99 µs", "p99 / random median"]
    # The bands hold the continuous families, whose every target is slow; outside them, the tail
    # of the targets whose solutions are all isolated.
    head += ["p99 / random median, q outside the bands"]
    # The ordinary pass, whose rows lead every result, runs before the searches of hard poses: its
    # tail is the floor under the solver's.
    ordinary_pass = timed_in_cpp and all(t.cpp_ordinary_pass_us is not None for t in tallies)
    if ordinary_pass:
        head += ["p99 / random median, ordinary pass alone"]
    head += ["Python median µs"]
    if ssik:
        # Both solvers timed alike, from Python, for the scale of the hard families' tails.
        head += ["Python p99 µs", "ssik median µs (Python)", "ssik p99 µs"]
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * 2 + "---:|" * (len(head) - 2)]
    for t in tallies:
        times = t.times()
        cells = [
            t.model,
            t.family,
            t.targets,
            t.empty,
            t.invalid_rows,
            t.uncovered,
            t.uncovered_through_valley,
            t.in_bands,
            t.band_unserved,
            t.shoulder_family_missing,
        ]
        cells += [t.axis_isolated, t.axis_isolated_uncovered]
        if ssik:
            peer = [
                t.ssik_only,
                t.ssik_only_straight,
                t.ssik_only_tube,
                t.ssik_only_axis_isolated,
                t.ssik_only_in_family,
            ]
            cells += peer if t.ssik_checked else ["–"] * len(peer)
        scale = random_median.get(t.model, float("nan"))
        outside = t.times_outside_bands()
        cells += [
            t.most_rows,
            f"{percentile(times, 50):.1f}",
            f"{percentile(times, 99):.1f}",
            f"{percentile(times, 99) / scale:.1f}",
            f"{percentile(outside, 99) / scale:.1f}" if outside else "–",
        ]
        if ordinary_pass:
            cells.append(f"{percentile(t.cpp_ordinary_pass_us, 99) / scale:.1f}")
        cells.append(f"{percentile(t.python_us, 50):.1f}")
        if ssik:
            cells.append(f"{percentile(t.python_us, 99):.1f}")
            timed = t.ssik_checked and t.ssik_us
            cells += [f"{percentile(t.ssik_us, q):.1f}" if timed else "–" for q in (50, 99)]
        lines.append("| " + " | ".join(str(c) for c in cells) + " |")
    return "\n".join(lines)


def listings(tallies):
    out = []
    for t in tallies:
        if t.most_rows > ORDINARY_MOST_ROWS:
            out.append(f"\n{t.model}, {t.family}: most rows {t.most_rows}, for q {t.most_rows_q!r}")
        for key, heading in LISTINGS:
            records = t.examples[key]
            if not records:
                continue
            out.append(f"\n{t.model}, {t.family}: {heading} (first {len(records)})")
            out += ["- " + ", ".join(f"{k} {v!r}" for k, v in r.items()) for r in records]
    return "\n".join(out)


def markdown(tallies, header):
    return f"{header}\n\n{table(tallies)}\n{listings(tallies)}\n"


def to_json(tallies, settings):
    rows = []
    for t in tallies:
        row = asdict(t)
        outside = t.times_outside_bands()
        row.pop("outside_bands")
        row["targets_outside_bands"] = len(outside)
        if outside:
            row["outside_bands_p99_us"] = percentile(outside, 99)
        for name in ("python_us", "cpp_us", "cpp_ordinary_pass_us", "ssik_us"):
            values = row.pop(name)
            if values:
                row[name.replace("_us", "_median_us")] = percentile(values, 50)
                row[name.replace("_us", "_p99_us")] = percentile(values, 99)
        rows.append(row)
    return json.dumps({"settings": settings, "tallies": rows}, indent=1)
