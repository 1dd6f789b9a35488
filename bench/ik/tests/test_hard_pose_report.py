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


def test_the_target_with_the_most_rows_is_kept_and_listed_only_past_the_ordinary_count():
    few, many = tallies()[1:]
    for tally, counts in ((few, (8, 16, 3)), (many, (8, 40, 40, 12))):
        for k, rows in enumerate(counts):
            tally.count_rows([float(k)] * 6, rows)
    assert (few.most_rows, few.most_rows_q) == (16, [1.0] * 6)
    assert (many.most_rows, many.most_rows_q) == (40, [1.0] * 6)
    head, _, checked, unchecked = (
        [c.strip() for c in line.strip("|").split("|")] for line in report.table([few, many]).splitlines()
    )
    assert (checked[head.index("most rows")], unchecked[head.index("most rows")]) == ("16", "40")
    text = report.listings([few, many])
    assert "params1, round: most rows 40, for q [1.0, 1.0, 1.0, 1.0, 1.0, 1.0]" in text
    assert "crx10ia, round: most rows" not in text
    assert json.loads(report.to_json([many], {}))["tallies"][0]["most_rows_q"] == [1.0] * 6


def test_the_tail_outside_the_bands_leaves_out_the_targets_in_them():
    random, checked, unchecked = tallies()
    # The slow round target (99 µs) has q in the bands; the other round arm has none outside.
    checked.outside_bands = [True, False]
    unchecked.outside_bands = [False, False]
    random.outside_bands = [True, True]
    head, _, random_row, checked_row, unchecked_row = (
        [c.strip() for c in line.strip("|").split("|")]
        for line in report.table([random, checked, unchecked]).splitlines()
    )
    column = head.index("p99 / random median, q outside the bands")
    assert checked_row[column] == f"{9.0 / 6.0:.1f}"
    assert checked_row[head.index("p99 / random median")] == f"{report.percentile([9.0, 99.0], 99) / 6.0:.1f}"
    assert unchecked_row[column] == "–"
    assert random_row[column] == f"{report.percentile([5.0, 7.0], 99) / 6.0:.1f}"
    rows = json.loads(report.to_json([checked, unchecked], {}))["tallies"]
    assert (rows[0]["targets_outside_bands"], rows[0]["outside_bands_p99_us"]) == (1, 9.0)
    assert rows[1]["targets_outside_bands"] == 0 and "outside_bands_p99_us" not in rows[1]
    assert all("outside_bands" not in row for row in rows)


def test_the_ordinary_pass_tail_is_shown_against_the_full_solvers_random_median_when_timed():
    random, checked, unchecked = tallies()
    column = "p99 / random median, ordinary pass alone"
    assert column not in report.table([random, checked, unchecked]).splitlines()[0]
    random.cpp_ordinary_pass_us = [4.0, 4.0]
    checked.cpp_ordinary_pass_us = [3.0, 30.0]
    unchecked.cpp_ordinary_pass_us = [8.0, 8.0]
    head, _, random_row, checked_row, _ = (
        [c.strip() for c in line.strip("|").split("|")]
        for line in report.table([random, checked, unchecked]).splitlines()
    )
    assert random_row[head.index(column)] == f"{4.0 / 6.0:.1f}"
    assert checked_row[head.index(column)] == f"{report.percentile([3.0, 30.0], 99) / 6.0:.1f}"
    rows = json.loads(report.to_json([checked], {}))["tallies"]
    assert math.isclose(rows[0]["cpp_ordinary_pass_p99_us"], report.percentile([3.0, 30.0], 99))
    assert "cpp_ordinary_pass_us" not in rows[0]
