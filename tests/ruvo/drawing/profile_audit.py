#!/usr/bin/env python3
"""Draws the sample's profile with `ruvo profile` and checks the written drawing with
ezdxf: no audit errors, the profile's layers, style and frame block, and everything the
drawing held before still there."""
import subprocess
import sys
import tempfile
from pathlib import Path

import ezdxf


def main() -> int:
    ruvo, sample = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as tmp:
        out = Path(tmp) / "out.dxf"
        svg = Path(tmp) / "out.svg"
        cmd = [ruvo, "profile", sample, "--line", "11F2", "--at", "0,0", "--frame", "4",
               "--set", "bXScale=1", "--set", "bKneePosition=1", "--set", "bDirection1=1",
               "--set", "bDirection2=1", "--set", "bLineType=1", "-o", str(out), "--svg", str(svg)]
        run = subprocess.run(cmd, capture_output=True, text=True)
        if run.returncode != 0:
            print("ruvo profile failed:", run.stderr)
            return 1
        before = ezdxf.readfile(sample)
        after = ezdxf.readfile(out)
        auditor = after.audit()
        for e in auditor.errors:
            print("audit error:", e)
        problems = len(auditor.errors)
        for name in ("RUVO", "RVTK"):
            if name not in after.layers:
                print("missing layer", name); problems += 1
        if "RUVOZT" not in after.styles:
            print("missing text style RUVOZT"); problems += 1
        if "RUVOA2LS" not in after.blocks:
            print("missing frame block"); problems += 1
        old = {e.dxf.handle for e in before.modelspace()}
        new = {e.dxf.handle for e in after.modelspace()}
        if not old <= new:
            print("entities lost:", len(old - new)); problems += 1
        added = [e for e in after.modelspace() if e.dxf.handle not in old]
        kinds = {e.dxftype() for e in added}
        for kind in ("LWPOLYLINE", "SPLINE", "TEXT", "INSERT"):
            if kind not in kinds:
                print("no", kind, "in the profile"); problems += 1
        if "<svg" not in svg.read_text(encoding="utf-8"):
            print("no picture"); problems += 1
        print(f"{len(added)} profile entities, {problems} problems")
        return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
