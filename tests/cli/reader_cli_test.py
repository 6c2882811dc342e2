#!/usr/bin/env python3
"""The reader's mends end to end: splines stored by fit points are cut where the
independent reference cuts them, and a handle that occurs twice picks its first holder.

The drawings are made here with ezdxf (fit-point splines as common libraries write them).
usage: reader_cli_test.py RUVO ORACLE_SCRIPT
"""
import json
import math
import os
import subprocess
import sys
import tempfile

DIST_TOL = 1e-3   # with both end tangents the same cubic; the reference flattens it (1e-4)
LOOSE_TOL = 0.01  # without tangents the reference estimates the end directions its own way
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def ruvo_section(ruvo, drawing, handle, env):
    proc = subprocess.run([ruvo, "section", drawing, "--line", handle, "--set", "AutoAssign=0",
                           "--set", "FilterHeight=0", "--json"],
                          capture_output=True, text=True, env=env)
    if proc.returncode != 0:
        raise RuntimeError("ruvo failed (%d): %s" % (proc.returncode, proc.stderr))
    return json.loads(proc.stdout)


def crossings(result):
    return sorted((p for p in result["points"] if p["nType"] == 0), key=lambda p: p["dDist"])


def fit_point_splines(ruvo, oracle, folder, env):
    import ezdxf
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    section = msp.add_line((0, 0), (1000, 0), dxfattribs={"layer": "SECTION"})
    cases = []  # (handle, tolerance)
    # Wavy contours across the section line, each with its elevation in its fit points.
    for i in range(12):
        x0 = 40 + 80 * i
        z = 300 + 2 * i
        fit = [(x0 + 6 * math.sin(1.3 * k + i), -60 + 15 * k + 2 * math.cos(k), z)
               for k in range(9)]
        spline = msp.add_spline(fit, dxfattribs={"layer": "CONTOUR"})
        if i % 2 == 0:
            spline.dxf.start_tangent = (1.0, 2.0 + 0.1 * i, 0.0)
            spline.dxf.end_tangent = (-0.5, 1.0, 0.0)
            cases.append((spline.dxf.handle, DIST_TOL))
        else:
            cases.append((spline.dxf.handle, LOOSE_TOL))
    drawing = os.path.join(folder, "fit_splines.dxf")
    doc.saveas(drawing)
    handle = section.dxf.handle
    reference = json.loads(subprocess.run([sys.executable, oracle, drawing, handle], check=True,
                                          capture_output=True, text=True).stdout)["intersections"]
    ours = crossings(ruvo_section(ruvo, drawing, handle, env))
    check(len(ours) == len(reference) == 12,
          "12 fit-point splines give 12 crossings (ruvo %d, reference %d)"
          % (len(ours), len(reference)))
    tolerance = dict(cases)
    for mine, theirs in zip(ours, sorted(reference, key=lambda c: c["distance"])):
        h = theirs["handle"]
        check(mine["idObject"].upper() == h.upper() if isinstance(mine["idObject"], str)
              else "%X" % mine["idObject"] == h.upper(), "crossing of %s is its own" % h)
        check(abs(mine["dDist"] - theirs["distance"]) <= tolerance[h],
              "spline %s crossed at %.9f, the reference at %.9f"
              % (h, mine["dDist"], theirs["distance"]))
        check(mine["dHigh"] == theirs["elevation"],
              "spline %s elevation %g, the reference %g" % (h, mine["dHigh"], theirs["elevation"]))


DUPLICATE = """0
SECTION
2
HEADER
9
$ACADVER
1
AC1015
9
$HANDSEED
5
40
0
ENDSEC
0
SECTION
2
ENTITIES
0
LINE
5
2A
8
FIRST
10
0
20
0
11
100
21
0
0
LINE
5
2A
8
SECOND
10
0
20
50
11
100
21
50
0
LWPOLYLINE
5
2B
8
CONTOURS
90
2
70
0
38
120
10
30
20
-10
10
30
20
60
0
ENDSEC
0
EOF
"""


def duplicate_handle(ruvo, folder, env):
    drawing = os.path.join(folder, "duplicate.dxf")
    with open(drawing, "w", newline="\n") as f:
        f.write(DUPLICATE)
    result = ruvo_section(ruvo, drawing, "2A", env)
    hits = crossings(result)
    # The first holder runs along y = 0: its crossing with the contour lies at y = 0.
    check(len(hits) == 1 and abs(hits[0]["y"]) < 1e-9 and hits[0]["dHigh"] == 120,
          "--line 2A cuts along the first LINE that carries 2A: %s" % hits)
    lines = subprocess.run([ruvo, "lines", drawing], capture_output=True, text=True, env=env)
    check(lines.returncode == 0 and "SECOND" in lines.stdout,
          "`ruvo lines` lists the duplicate under its new handle: %s" % lines.stdout)


def main():
    ruvo, oracle = sys.argv[1:3]
    try:
        import ezdxf  # noqa: F401
    except ImportError:
        print("skipped: ezdxf not installed")
        return 77
    with tempfile.TemporaryDirectory() as folder:
        env = dict(os.environ, XDG_CONFIG_HOME=folder)
        duplicate_handle(ruvo, folder, env)
        if os.path.exists(oracle):
            fit_point_splines(ruvo, oracle, folder, env)
        else:
            print("skipped the reference comparison: %s not found" % oracle)
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
