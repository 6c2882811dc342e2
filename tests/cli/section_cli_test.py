#!/usr/bin/env python3
"""`ruvo section` and `ruvo show` end to end on the sample drawing.

usage: section_cli_test.py RUVO DRAWING
"""
import json
import os
import subprocess
import sys
import tempfile

S1, S2 = "11F2", "11F4"
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


def run(*args):
    return subprocess.run([RUVO, *args], capture_output=True, text=True, env=ENV)


def section(*args):
    proc = run("section", DRAWING, "--set", "AutoAssign=0", "--json", *args)
    if proc.returncode != 0:
        raise RuntimeError("ruvo section %s failed: %s" % (" ".join(args), proc.stderr))
    return json.loads(proc.stdout)


def usage_and_refusals():
    check(run("section", "--help").returncode == 0, "--help exits 0")
    proc = run("sectoin", DRAWING)
    check(proc.returncode == 2 and "no command 'sectoin'" in proc.stderr,
          "a mistyped command is named: %r" % proc.stderr)
    check("--line HANDLE" in run("section", "--help").stdout, "--help names --line")
    for args in ([], [DRAWING], [DRAWING, "--line", S1, "--pick", "1,2"], [DRAWING, "--bogus"],
                 [DRAWING, "--line", S1, "--set", "Bogus=1"], [DRAWING, "--pick", "1"],
                 [DRAWING, "--line", S1, "--height", "x"],
                 [DRAWING, "--from", "511990,3518300", "--to", "1e300,3518310"]):
        proc = run("section", *args)
        check(proc.returncode == 2 and proc.stderr.count("\n") == 1,
              "usage error for %s: %d %r" % (args, proc.returncode, proc.stderr))
    # an output naming the drawing, or two outputs naming one file: refused, nothing written
    copy = os.path.join(TMP, "copy.dxf")
    with open(DRAWING, "rb") as f, open(copy, "wb") as out:
        out.write(f.read())
    both = os.path.join(TMP, "both.txt")
    for command, args in (("section", [copy, "--line", S1, "-o", copy]),
                          ("section", [copy, "--line", S1, "-o", both, "--save-drawing", both]),
                          ("profile", [copy, "--line", S1, "--at", "0,0", "--svg", copy]),
                          ("profile", [copy, "--line", S1, "--at", "0,0", "--svg", both])):
        proc = run(command, *args)
        check(proc.returncode == 2 and proc.stderr.count("\n") == 1,
              "usage error for %s %s: %d %r" % (command, args, proc.returncode, proc.stderr))
    with open(DRAWING, "rb") as f, open(copy, "rb") as kept:
        check(f.read() == kept.read(), "the drawing named as an output is kept")
    check(not os.path.exists(both), "nothing written when two outputs clash")
    proc = run("section", DRAWING, "--pick", "0,0")
    check(proc.returncode == 1 and "命令:没选任何线段!!" in proc.stderr, "empty pick refused")
    # a point asked for and not added: the table is shown, the status says it was not done
    proc = run("section", DRAWING, "--line", S1, "--add", "0,0,1,1")
    check(proc.returncode == 1 and "adds no point" in proc.stderr and proc.stdout,
          "an --add that adds nothing: %d %r" % (proc.returncode, proc.stderr))
    proc = run("section", os.path.join(TMP, "missing.dxf"), "--line", S1)
    check(proc.returncode == 1, "missing drawing refused")
    check(run("show", os.path.join(TMP, "missing.txt")).returncode == 1, "missing data file")
    truncated = os.path.join(TMP, "truncated.dxf")
    with open(DRAWING, "rb") as f, open(truncated, "wb") as out:
        out.write(f.read(300000))
    proc = run("section", truncated, "--line", S1)
    check(proc.returncode == 1 and "line " in proc.stderr and proc.stderr.count("\n") == 1,
          "a damaged drawing is refused naming the line: %r" % proc.stderr)


def json_shape():
    result = section("--line", S1)
    check(result["drawing"] == DRAWING, "drawing path")
    check(result["line"] == {"handle": S1, "type": "LWPOLYLINE"}, "line %r" % result["line"])
    check(any("共获取交点54个" in m for m in result["messages"]), "raw count message")
    check(len(result["vertices"]) == 4 and result["vertices"][2]["dBulge"] == 0.2, "vertices")
    points = result["points"]
    check(points[0]["strNote"] == "起点" and points[-1]["strNote"] == "终点", "start and end")
    check([p["nNo"] for p in points] == list(range(len(points))), "numbering")
    check(all(p["idObject"] is None or p["idObject"] == p["idObject"].upper() for p in points),
          "handles upper-case")
    check(result["layers"] == sorted(set(result["layers"])), "layers sorted")
    line = section("--line", S2)
    check(line["line"] == {"handle": S2, "type": "LINE"}, "LINE section")
    return result


def layer_filter_and_added_points():
    result = section("--line", S2, "--layers", "首曲线")
    hidden = [p for p in result["points"] if p["nType"] == 1]
    check(hidden and all(p["strLayer"] != "首曲线" for p in hidden), "layer filter hides")
    crossings = [p for p in result["points"] if p["nType"] == 0]
    check(crossings and all(p["strLayer"] == "首曲线" for p in crossings), "ticked layer stays")
    result = section("--line", S2, "--add", "512500,3518800,512500,3519000")
    added = [p for p in result["points"] if p["nType"] == 4]
    check(len(added) == 1 and added[0]["strNote"] == "加点" and added[0]["strLayer"] == "加点层",
          "added point")
    check("加点层" in result["layers"], "added layer listed")
    dists = [p["dDist"] for p in result["points"]]
    check(dists == sorted(dists), "order kept after adding")


def data_file_round_trip(result):
    out = os.path.join(TMP, "section.txt")
    section("--line", S1, "-o", out)
    with open(out, "rb") as f:
        data = f.read()
    check(data.startswith(b"ZRK3.8\r\n"), "data file magic")
    proc = run("show", out, "--json")
    check(proc.returncode == 0, "show reads it back")
    shown = json.loads(proc.stdout)
    check(shown["drawing"] is None and shown["line"] is None, "show has no drawing")
    check(len(shown["points"]) == len(result["points"]), "same number of points")
    check(all(abs(a["dDist"] - b["dDist"]) < 6e-4 for a, b in zip(shown["points"], result["points"])),
          "distances survive")
    check("终点" in run("show", out).stdout, "show lists")
    legacy = os.path.join(TMP, "legacy.txt")
    section("--line", S1, "-o", legacy, "--edition", "legacy")
    with open(legacy, "rb") as f:
        second = f.read().split(b"\r\n")[3].split(b",")
    check(len(second[1].split(b".")[1]) == 3, "legacy writes three decimals")


def typed_elevation_written_back(result):
    # The unassigned contour "4F" crosses S1; give it its true elevation and save.
    target = [p for p in result["points"] if p["idObject"] == "4F"]
    check(len(target) == 3 and all(p["dHigh"] == 0 for p in target), "unassigned contour found")
    if not target:
        return
    no = target[0]["nNo"] + 1
    changed = os.path.join(TMP, "changed.dxf")
    proc = run("section", DRAWING, "--line", S1, "--set", "bSetHigh=1", "--height",
               "%d=815" % no, "--save-drawing", changed, "--json")
    check(proc.returncode == 0, "height typed: %s" % proc.stderr)
    again = subprocess.run([RUVO, "section", changed, "--line", S1, "--set", "AutoAssign=0",
                            "--json"], capture_output=True, text=True, env=ENV)
    check(again.returncode == 0, "changed drawing reads")
    if again.returncode == 0:
        points = json.loads(again.stdout)["points"]
        check([p["dHigh"] for p in points if p["idObject"] == "4F"] == [815.0] * 3,
              "the contour carries the typed elevation")


def one_line_error(proc, status, text, what):
    check(proc.returncode == status and proc.stderr.count("\n") == 1 and text in proc.stderr,
          "%s: %d %r" % (what, proc.returncode, proc.stderr))


def choosing_the_line():
    one_line_error(run("section", DRAWING, "--line", "FFFFF"), 1, "ruvo lines", "unknown handle")
    one_line_error(run("section", DRAWING, "--line", S1, "--line", S2), 2, "--line",
                   "a second --line")
    one_line_error(run("section", DRAWING, "--from", "1,1", "--to", "1,1"), 2, "zero length",
                   "zero-length line")
    one_line_error(run("section", DRAWING, "--line", S1, "--layers", "nosuch"), 1, "首曲线",
                   "--layers naming no layer of the section lists those there are")
    # A straight line given by its ends cuts as the LINE with those ends does.
    line = section("--line", S2)
    start, end = line["vertices"][0], line["vertices"][-1]
    straight = section("--from", "%r,%r" % (start["x"], start["y"]),
                       "--to", "%r,%r" % (end["x"], end["y"]))
    # (The LINE itself lies on the new line; where they overlap is no crossing of the terrain.)
    check([p["dDist"] for p in straight["points"] if p["idObject"] != S2]
          == [p["dDist"] for p in line["points"]], "--from/--to cuts as the line does")
    short = run("section", DRAWING, "--from", "%r,%r" % (start["x"], start["y"]),
                "--to", "%r,%r" % (start["x"] + 0.5, start["y"]), "--json")
    check(short.returncode == 0 and any("shorter than one unit" in w
                                        for w in json.loads(short.stdout)["warnings"]),
          "a section shorter than one unit is warned about: %r" % short.stderr)
    lines = json.loads(run("lines", DRAWING, "--json").stdout)
    by_handle = {l["handle"]: l for l in lines}
    check(by_handle.get(S1, {}).get("type") == "LWPOLYLINE" and by_handle[S1]["vertices"] == 4
          and by_handle.get(S2, {}).get("type") == "LINE", "ruvo lines lists the section lines")
    check(abs(by_handle.get(S1, {}).get("length", 0) - line_length(S1)) < 1e-6,
          "ruvo lines gives the length the cut measures")


def old_polylines_listed_with_their_size():
    # an old-style polyline cannot serve as a section line, but is listed as it is
    proc = run("lines", DRAWING, "--json")
    check(proc.returncode == 0, "lines --json: %r" % proc.stderr)
    if proc.returncode == 0:
        old = [l for l in json.loads(proc.stdout) if l["type"] == "POLYLINE"]
        check(old and all(l["vertices"] > 1 and l["length"] > 0 for l in old),
              "POLYLINEs listed with their vertices and length: %r" % old[:2])


def line_length(handle):
    return section("--line", handle)["vertices"][-1]["dDist"]


def messages_and_settings():
    quiet = run("section", DRAWING, "--line", S1)
    check(quiet.returncode == 0 and "Command:" not in quiet.stderr and "请选择" not in quiet.stderr,
          "no prompts without --verbose: %r" % quiet.stderr[:200])
    loud = run("section", DRAWING, "--line", S1, "--verbose")
    check("请选择直线或多段线" in loud.stderr, "prompts with --verbose")
    version = run("--version")
    check(version.returncode == 0 and version.stdout.startswith("ruvo "), "--version")
    listed = run("settings")
    check(listed.returncode == 0 and all(n in listed.stdout for n in ("XScale", "KneePnt", "strPmName")),
          "ruvo settings lists the settings")
    settings = json.loads(run("settings", "--json").stdout)
    xscale = [s for s in settings if s["name"] == "XScale"]
    check(len(settings) == 34 and xscale and xscale[0]["default"] == "500", "settings as JSON")
    check(run("settings", "--reset").returncode == 0, "settings --reset")


def profile_options():
    data = os.path.join(TMP, "for_profile.txt")
    section("--line", S1, "-o", data)

    def extent_width(*args):
        proc = run("profile", DRAWING, "--data", data, "--at", "0,0", *args)
        check(proc.returncode == 0, "profile %s: %s" % (args, proc.stderr))
        if proc.returncode != 0:
            return 0.0
        words = proc.stdout.split("extent ")[1].split()
        return float(words[2].split(",")[0]) - float(words[0].split(",")[0])

    # The data file's header carries XScale; the command line's value wins over it.
    wide, narrow = extent_width("--set", "XScale=500"), extent_width("--set", "XScale=1000")
    check(narrow > 0 and 1.8 < wide / narrow < 2.2, "--set XScale wins: %g %g" % (wide, narrow))
    out = os.path.join(TMP, "small_frame.dxf")
    proc = run("profile", DRAWING, "--data", data, "--at", "0,0", "--frame", "0", "-o", out)
    one_line_error(proc, 1, "does not fit the frame", "a frame too small is refused")
    check(not os.path.exists(out), "nothing written when the frame is refused")


def stations_on_the_sample():
    """Default settings: sections crossing roads at elevation 0 are drawn all the same; a
    scale at which nothing fits writes the data files and refuses only the sheets."""
    out = os.path.join(TMP, "stations")
    proc = run("stations", DRAWING, "--line", S1, "--every", "20", "-o", out)
    check(proc.returncode == 0, "stations with default settings: %r" % proc.stderr)
    names = os.listdir(out) if os.path.isdir(out) else []
    data = [n for n in names if n.startswith("K") and n.endswith(".txt")]
    check(len(data) > 40 and "stations.csv" in names and "sheets.dxf" in names,
          "every station's data file, the CSV and the sheets: %s" % sorted(names)[:5])
    check("sheets (A3)" in proc.stdout, "the sheet count is told: %r" % proc.stdout)
    tall = os.path.join(TMP, "stations-tall")
    proc = run("stations", DRAWING, "--line", S1, "--every", "100", "--set", "YScale=2",
               "-o", tall)
    check(proc.returncode == 1 and "no sheets" in proc.stderr.splitlines()[-1],
          "nothing fits the sheet: %d %r" % (proc.returncode, proc.stderr))
    names = os.listdir(tall) if os.path.isdir(tall) else []
    check("stations.csv" in names and "sheets.dxf" not in names,
          "the data files are written without sheets: %s" % sorted(names)[:5])


def main():
    usage_and_refusals()
    stations_on_the_sample()
    choosing_the_line()
    old_polylines_listed_with_their_size()
    messages_and_settings()
    profile_options()
    result = json_shape()
    layer_filter_and_added_points()
    data_file_round_trip(result)
    typed_elevation_written_back(result)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    RUVO, DRAWING = sys.argv[1:3]
    skip_without(DRAWING, os.path.dirname(os.path.dirname(DRAWING)))
    with tempfile.TemporaryDirectory() as TMP:
        ENV = dict(os.environ, XDG_CONFIG_HOME=TMP)
        sys.exit(main())
