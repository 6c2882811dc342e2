#!/usr/bin/env python3
"""Fails when a source file includes a header from a layer above its own.

The platform never includes product code; within the product, the section records sit
below the drawing code, which sits below the pages, the plug-in and the stations.
usage: check_layering.py SRC_DIR
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')

# Folder of the including file -> folders (prefixes of the include path) it may include
# from, besides the standard and third-party headers. The first matching folder rules.
ALLOWED = [
    ("platform/geom", ["platform/geom"]),
    ("platform/win", ["platform/win"]),
    ("platform", ["platform"]),
    ("ruvo/host", ["platform", "ruvo/host"]),
    ("ruvo/section", ["platform", "ruvo/host", "ruvo/section"]),
    ("ruvo/drawing", ["platform", "ruvo/host", "ruvo/section", "ruvo/drawing"]),
    ("ruvo/stations", ["platform", "ruvo/host", "ruvo/section", "ruvo/drawing", "ruvo/stations"]),
    ("ruvo/settings", ["platform", "ruvo/host", "ruvo/section", "ruvo/settings"]),
    ("controls", ["platform", "controls"]),
    ("ruvo/pages", ["platform", "controls", "ruvo/host", "ruvo/section", "ruvo/drawing",
                    "ruvo/settings", "ruvo/pages"]),
    ("ruvo/plugin", ["platform", "controls", "ruvo/host", "ruvo/section", "ruvo/drawing",
                     "ruvo/settings", "ruvo/stations", "ruvo/pages", "ruvo/plugin"]),
]
LAYERED = ("platform/", "ruvo/", "cli/", "tabulix/", "tools/", "controls/")


def rule_for(relative):
    for folder, allowed in ALLOWED:
        if relative == folder or relative.startswith(folder + "/"):
            return folder, allowed
    return None, None


def main():
    if len(sys.argv) != 2 or sys.argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 0 if len(sys.argv) == 2 else 2
    src = pathlib.Path(sys.argv[1])
    if not src.is_dir():
        print(f"check_layering: no folder {src}", file=sys.stderr)
        return 2
    problems = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".hpp", ".cpp", ".cc"):
            continue
        relative = path.relative_to(src).as_posix()
        folder, allowed = rule_for(relative)
        if folder is None:
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m or not m.group(1).startswith(LAYERED):
                continue
            target = m.group(1)
            if not any(target.startswith(a + "/") for a in allowed):
                problems.append(f"{relative}:{number}: {folder} includes {target}")
    for p in problems:
        print(p)
    if problems:
        print(f"check_layering: {len(problems)} include(s) reach a layer above", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
