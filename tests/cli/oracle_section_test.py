#!/usr/bin/env python3
"""Compares `ruvo section --json` with an independent reference of the crossings.

For every drawing and section line named by the sidecar JSON files of the test data, the
reference tool computes the crossings (ezdxf + shapely, curves flattened). Every reference
crossing must appear once as a PT_CROSS point with the same elevation and layer and a
distance within 1e-3; crossings closer than 0.0001 to each other count as one (the cut
keeps the first of such a run), and ruvo may list no crossing the reference lacks.

usage: oracle_section_test.py RUVO DATA_DIR ORACLE_SCRIPT
"""
import glob
import json
import os
import subprocess
import sys
import tempfile

DIST_TOL = 1e-3
THIN = 1e-4
PT_CROSS = 0


def run_oracle(script, drawing, handle):
    out = subprocess.run([sys.executable, script, drawing, handle], check=True,
                         capture_output=True, text=True).stdout
    return json.loads(out)["intersections"]


def run_ruvo(ruvo, drawing, handle, env):
    proc = subprocess.run([ruvo, "section", drawing, "--line", handle, "--set", "AutoAssign=0",
                           "--set", "FilterHeight=0", "--json"],
                          capture_output=True, text=True, env=env)
    if proc.returncode != 0:
        raise RuntimeError("ruvo failed (%d): %s" % (proc.returncode, proc.stderr))
    return json.loads(proc.stdout)


def groups_of(crossings):
    """Reference crossings in runs closer than the thinning distance."""
    groups = []
    for c in sorted(crossings, key=lambda c: c["distance"]):
        if groups and c["distance"] - groups[-1][0]["distance"] < THIN:
            groups[-1].append(c)
        else:
            groups.append([c])
    return groups


def matches(point, crossing):
    return (abs(point["dDist"] - crossing["distance"]) <= DIST_TOL
            and abs(point["dHigh"] - crossing["elevation"]) <= 1e-9
            and point["strLayer"] == crossing["layer"])


def compare(name, reference, result):
    errors = []
    ours = [p for p in result["points"] if p["nType"] == PT_CROSS]
    used = set()
    for group in groups_of(reference):
        found = [i for i, p in enumerate(ours)
                 if i not in used and any(matches(p, c) for c in group)]
        if len(found) != 1:
            c = group[0]
            errors.append("%s: reference crossing at %.6f (%s, %s, %g) found %d times"
                          % (name, c["distance"], c["handle"], c["layer"], c["elevation"],
                             len(found)))
        used.update(found[:1])
    for i, p in enumerate(ours):
        if i not in used:
            errors.append("%s: extra crossing at %.6f (%s, %s, %g)"
                          % (name, p["dDist"], p["idObject"], p["strLayer"], p["dHigh"]))
    return errors, len(ours), len(reference)


def main():
    ruvo, data_dir, oracle = sys.argv[1:4]
    if not os.path.isdir(data_dir):
        print("skipped: shared test drawings not found in", os.path.dirname(data_dir))
        return 77
    failures = []
    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ, XDG_CONFIG_HOME=home)
        cases = 0
        for sidecar in sorted(glob.glob(os.path.join(data_dir, "*.json"))):
            with open(sidecar, encoding="utf-8") as f:
                meta = json.load(f)
            if "section_lines" not in meta or "file" not in meta:
                continue
            drawing = os.path.join(data_dir, meta["file"])
            for line in meta["section_lines"]:
                name = "%s %s (%s)" % (meta["file"], line["name"], line["handle"])
                reference = run_oracle(oracle, drawing, line["handle"])
                result = run_ruvo(ruvo, drawing, line["handle"], env)
                errors, ours, theirs = compare(name, reference, result)
                cases += 1
                print("%s: %d reference crossings, %d PT_CROSS points, %s"
                      % (name, theirs, ours, "ok" if not errors else "%d errors" % len(errors)))
                failures.extend(errors)
    for e in failures:
        print(e)
    if cases == 0:
        print("no section lines found in", data_dir)
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
