import json
import math

import hard_pose_report as report


def tallies():
    random = report.Tally("crx10ia", "random", targets=2, python_us=[10.0, 30.0], cpp_us=[5.0, 7.0])
    checked = report.Tally("crx10ia", "round", targets=2, python_us=[20.0, 60.0], cpp_us=[9.0, 99.0])
    checked.ssik_checked = True
    checked.ssik_us = [100.0, 300.0]
    unchecked = report.Tally("params1", "round", targets=2, python_us=[20.0, 40.0], cpp_us=[8.0, 9.0])
    return [random, checked, unchecked]


def test_every_row_of_the_table_has_a_cell_under_every_heading():
    lines = report.table(tallies()).splitlines()
    widths = {line.count("|") for line in lines}
    assert len(widths) == 1
    assert "ssik p99 µs" in lines[0]


def test_ssik_times_are_shown_where_ssik_ran_and_dashed_where_it_did_not():
    head, _, random, checked, unchecked = (
        [c.strip() for c in line.strip("|").split("|")] for line in report.table(tallies()).splitlines()
    )
    median, p99 = head.index("ssik median µs (Python)"), head.index("ssik p99 µs")
    assert (checked[median], checked[p99]) == ("200.0", f"{298.0:.1f}")
    assert (unchecked[median], unchecked[p99]) == ("–", "–")
    assert random[median] == "–"
    assert checked[head.index("Python p99 µs")] == f"{59.6:.1f}"


def test_json_has_ssik_times_only_where_they_were_taken():
    rows = json.loads(report.to_json(tallies(), {}))["tallies"]
    assert math.isclose(rows[1]["ssik_median_us"], 200.0)
    assert "ssik_median_us" not in rows[2]
    assert all("ssik_us" not in row for row in rows)
