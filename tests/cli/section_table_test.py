#!/usr/bin/env python3
"""From a drawing to a table: `ruvo section -o` writes the data file, `tabulix export` lists it.

The table must show every point the section lists, with the values `ruvo` computed, in both
editions' file layouts, forwards and reversed.

usage: section_table_test.py RUVO TABULIX DRAWING
"""
import json
import os
import subprocess
import sys
import tempfile

LINE = "11F2"
FIELDS = "编号,坐标X,坐标Y,高程Z,与起点距离,与前点距离,注释,方位,图层"
TYPE_LABEL = {2: "(拐点)", 3: "(端点)", 4: "(加点)"}
failures = []

def skip_without(path, folder):
    """Exit with ctest's skip status when the shared drawings are not there."""
    if not os.path.exists(path):
        print("skipped: shared test drawings not found in", folder)
        sys.exit(77)


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(program, *args):
    proc = subprocess.run([program, *args], capture_output=True)
    if proc.returncode != 0:
        raise RuntimeError("%s %s failed: %s" % (os.path.basename(program), " ".join(args),
                                                 proc.stderr.decode("utf-8", "replace")))
    return proc.stdout


def export(datafile, out, *options):
    run(TABULIX, "export", datafile, "-o", out, "--fields", FIELDS, "--decimals", "3", *options)
    with open(out, "rb") as f:
        raw = f.read()
    lines = raw.decode("gbk").split("\r\n")
    check(lines[-1] == "", "%s ends with CR LF" % out)
    rows = [line.split(",") for line in lines[1:-1]]
    check(int(lines[0]) == len(rows), "%s: count line %s for %d rows" % (out, lines[0], len(rows)))
    return raw, rows


def thousandths(text):
    """A three-decimal cell as an integer, so that sums are exact."""
    whole, _, frac = text.partition(".")
    check(len(frac) == 3, "three decimals in %r" % text)
    sign = -1 if whole.startswith("-") else 1
    return sign * (abs(int(whole)) * 1000 + int(frac))


def near(cell, value, tolerance):
    return abs(float(cell) - value) <= tolerance


def compare(points, rows, edition, reversed_):
    shown = [p for p in points if p["bDelete"] == 0 and p["nType"] != 1]
    if reversed_:
        shown.reverse()
    check(len(rows) == len(shown), "%s: %d rows for %d points" % (edition, len(rows), len(shown)))
    length = points[-1]["dDist"]
    # The file keeps three decimals of the distances (and, in the older layout, of X and Y).
    tolerance = 5.01e-4 if edition == "legacy" else 1e-6
    for row, p in zip(rows, shown):
        where = "%s row %s" % (edition, row[0])
        check(len(row) == 9, where + " has nine cells")
        check(row[0] == str(p["nNo"] + 1), where + " number")
        check(near(row[1], p["x"], tolerance + 5e-4) and near(row[2], p["y"], tolerance + 5e-4),
              where + " coordinates")
        check(near(row[3], p["dHigh"], 5.01e-4), where + " elevation")
        dist = length - p["dDist"] if reversed_ else p["dDist"]
        check(near(row[4], dist, 1.01e-3), where + " distance %s vs %.4f" % (row[4], dist))
        is_vertex = p["strNote"] in ("起点", "终点", "拐点")
        check(row[6] == ("" if is_vertex else p["strNote"]), where + " remark")
        check(bool(row[7]) == is_vertex, where + " azimuth only at vertices")
        check(row[8] == TYPE_LABEL.get(p["nType"], p["strLayer"]), where + " layer")
    # What the table says of the distance to the previous row adds up to the running distance.
    total = 0
    for row in rows:
        total += thousandths(row[5])
        check(total == thousandths(row[4]), "%s: previous distances add up at row %s" % (edition, row[0]))
        if total != thousandths(row[4]):
            break


def main():
    for edition in ("current", "legacy"):
        datafile = os.path.join(TMP, edition + ".txt")
        result = json.loads(run(RUVO, "section", DRAWING, "--line", LINE, "--edition", edition,
                                "--set", "AutoAssign=0", "--height", "6=871.25", "--json",
                                "-o", datafile))
        points = result["points"]
        check(points[5]["dHigh"] == 871.25, "typed elevation kept")
        raw_csv, rows = export(datafile, os.path.join(TMP, edition + ".csv"), "--mode", "1")
        raw_txt, _ = export(datafile, os.path.join(TMP, edition + "-table.txt"), "--mode", "1")
        check(raw_csv == raw_txt, "%s: .csv and .txt exports are the same bytes" % edition)
        compare(points, rows, edition, False)
        check(rows[5][3] == "871.250", "typed elevation in the table: %r" % rows[5][3])
        _, rows = export(datafile, os.path.join(TMP, edition + "-reversed.csv"), "--reverse",
                         "--mode", "1")
        compare(points, rows, edition, True)
        # Crossings only: the vertices of the section leave the table.
        _, rows = export(datafile, os.path.join(TMP, edition + "-cross.csv"), "--mode", "0")
        crossings = [p for p in points if p["bDelete"] == 0 and p["nType"] in (0, 3, 4)]
        check(len(rows) == len(crossings), "%s: crossings only, %d rows" % (edition, len(rows)))
    if failures:
        print("%d failure(s)" % len(failures))
        return 1
    print("section data files list in the table as computed")
    return 0


if __name__ == "__main__":
    RUVO, TABULIX, DRAWING = sys.argv[1:4]
    skip_without(DRAWING, os.path.dirname(os.path.dirname(DRAWING)))
    with tempfile.TemporaryDirectory() as TMP:
        sys.exit(main())
