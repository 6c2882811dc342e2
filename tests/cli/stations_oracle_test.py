#!/usr/bin/env python3
"""Every crossing of every station of `ruvo stations` against the independent reference.

The stations run on the sample drawing writes its cross-sections as lines into a copy of
the drawing (--save-drawing); the reference tool computes each line's crossings (ezdxf +
shapely, curves flattened) in that copy, and every one of them must appear once among the
station's rows of stations.csv with the same elevation and layer, at the offset that is the
distance along the line less the left width (within 1e-3); the CSV may list no crossing the
reference lacks. Crossings closer than 0.0001 count as one (the cut keeps the first of such
a run); the other cross-section lines in the copy are not part of the drawing cut.

usage: stations_oracle_test.py RUVO DRAWING HANDLE ORACLE_SCRIPT
"""
import csv
import importlib
import os
import subprocess
import sys
import tempfile

DIST_TOL = 1e-3
HIGH_TOL = 0.0005  # the CSV has three places
THIN = 1e-4
LEFT, RIGHT = 40.0, 60.0
ENDS = {"起点", "终点"}


def load_oracle(script, drawing):
    # the reference lives outside the repository: import it from its own folder
    sys.path.insert(0, os.path.dirname(os.path.abspath(script)))
    oracle = importlib.import_module(os.path.splitext(os.path.basename(script))[0])
    # one reading of the drawing serves every section line in it
    cached = oracle.recover.readfile(drawing)

    class Recover:
        @staticmethod
        def readfile(path):
            return cached

    oracle.recover = Recover
    return oracle


def main():
    ruvo, drawing, handle, script = sys.argv[1:5]
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        env = dict(os.environ, XDG_CONFIG_HOME=tmp)
        out = os.path.join(tmp, "out")
        lines = os.path.join(tmp, "lines.dxf")
        subprocess.run([ruvo, "stations", drawing, "--line", handle, "--every", "50",
                        "--at-vertices", "--left", str(LEFT), "--right", str(RIGHT),
                        "--set", "AutoAssign=0", "--set", "FilterHeight=0", "--frame", "none",
                        "-o", out, "--save-drawing", lines], check=True, env=env,
                       stdout=subprocess.DEVNULL)
        rows = {}
        order = []
        with open(os.path.join(out, "stations.csv"), encoding="utf-8-sig", newline="") as f:
            for r in csv.DictReader(f):
                if r["station"] not in rows:
                    order.append(r["station"])
                rows.setdefault(r["station"], []).append(r)
        oracle = load_oracle(script, lines)
        doc, _ = oracle.recover.readfile(lines)
        section_lines = [e.dxf.handle for e in doc.modelspace()
                         if e.dxftype() == "LINE" and e.dxf.layer == "RVDM"]
        if len(section_lines) != len(order):
            print("FAIL: %d section lines, %d stations" % (len(section_lines), len(order)))
            return 1
        crossings = 0
        for name, line in zip(order, section_lines):
            ref = [c for c in oracle.compute(lines, line)["intersections"] if c["layer"] != "RVDM"]
            ours = [r for r in rows[name] if r["handle"] and r["remark"] not in ENDS]
            used = set()
            groups = []
            for c in sorted(ref, key=lambda c: c["distance"]):
                if groups and c["distance"] - groups[-1][0]["distance"] < THIN:
                    groups[-1].append(c)
                else:
                    groups.append([c])
            for group in groups:
                found = [i for i, r in enumerate(ours) if i not in used and any(
                    abs(float(r["offset"]) + LEFT - c["distance"]) <= DIST_TOL
                    and abs(float(r["elevation"]) - c["elevation"]) <= HIGH_TOL
                    and r["layer"] == c["layer"] for c in group)]
                if len(found) != 1:
                    c = group[0]
                    failures.append("%s: reference crossing at %.4f (%s, %s, %g) found %d times"
                                    % (name, c["distance"] - LEFT, c["handle"], c["layer"],
                                       c["elevation"], len(found)))
                used.update(found[:1])
            for i, r in enumerate(ours):
                # the first and last stations cross the centreline at its very ends, which
                # the reference, exact to rounding, may miss by a hair
                at_end = name in (order[0], order[-1]) and r["handle"] == handle.upper() \
                    and abs(float(r["offset"])) < DIST_TOL
                if i not in used and not at_end:
                    failures.append("%s: extra crossing at offset %s (%s, %s)"
                                    % (name, r["offset"], r["handle"], r["layer"]))
            crossings += len(groups)
    for f in failures:
        print("FAIL:", f)
    print("%d stations, %d crossings, %d failures" % (len(order), crossings, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
