#!/usr/bin/env python3
"""Draws the sample's profile with `ruvo profile` and checks the written drawing with
ezdxf: no audit errors, the profile's layers, style and frame block, and everything the
drawing held before still there; then draws it in each of the ten frames and checks the
inserted sheet and the warning for frames the profile does not fit, and that the demo's
profile fits its frame."""
import subprocess
import sys
import tempfile
from pathlib import Path

import ezdxf


SHEETS = [("RUVOA4LS", 297, 210), ("RUVOA4PT", 210, 297), ("RUVOA3LS", 420, 297),
          ("RUVOA3PT", 297, 420), ("RUVOA2LS", 594, 420), ("RUVOA2PT", 420, 594),
          ("RUVOA1LS", 841, 594), ("RUVOA1PT", 594, 841), ("RUVOA0LS", 1189, 841),
          ("RUVOA0PT", 841, 1189)]

# At 1:2000 the sample's profile is 530 mm wide: inside the binding border of an A1 sheet
# lying down or an A0 sheet standing up, not of anything smaller.
FITS = {6: "", 8: "", 9: ""}
ADVICE = {0: "建议使用A1图框(横向)", 2: "建议使用A1图框(横向)", 4: "建议使用A1图框(横向)",
          1: "建议使用A0图框(纵向)", 3: "建议使用A0图框(纵向)", 5: "建议使用A0图框(纵向)",
          7: "建议使用A0图框(纵向)"}


def check_frames(ruvo: str, sample: str, tmp: Path) -> int:
    problems = 0
    for kind, (name, width, height) in enumerate(SHEETS):
        out = tmp / f"frame{kind}.dxf"
        cmd = [ruvo, "profile", sample, "--line", "11F2", "--at", "0,0", "--frame", str(kind),
               "--set", "XScale=2000", "--set", "YScale=1000", "--set", "txtY=10",
               "--set", "bXScale=1", "--set", "bDirection1=1", "-o", str(out)]
        run = subprocess.run(cmd, capture_output=True, text=True)
        said = run.stdout + run.stderr
        if kind in ADVICE:
            # A frame that was asked for and cannot hold the profile is refused with the
            # advice, and nothing is written.
            if run.returncode == 0 or out.exists():
                print(f"frame {kind}: drawn although the profile does not fit"); problems += 1
            if ADVICE[kind].removeprefix("建议使用") not in said:
                print(f"frame {kind}: no advice", ADVICE[kind], said); problems += 1
            continue
        if run.returncode != 0:
            print(f"frame {kind}: ruvo profile failed:", said); problems += 1
            continue
        if "图框太小" in said:
            print(f"frame {kind}: warned although the profile fits"); problems += 1
        doc = ezdxf.readfile(out)
        problems += len(doc.audit().errors)
        inserts = [e for e in doc.modelspace().query("INSERT") if e.dxf.name.startswith("RUVO")]
        if len(inserts) != 1 or inserts[0].dxf.name != name or inserts[0].dxf.layer != "RVTK":
            print(f"frame {kind}: expected one {name} on RVTK"); problems += 1
            continue
        xs, ys = [], []
        for e in doc.blocks[name].query("LWPOLYLINE"):
            for x, y, *_ in e.get_points():
                xs.append(x); ys.append(y)
        if (min(xs), min(ys), max(xs), max(ys)) != (0, 0, width, height):
            print(f"frame {kind}: sheet is not {width} x {height} from its base point")
            problems += 1
    return problems


def check_demo(ruvo: str, out: Path) -> int:
    """The demo's profile stands inside its A3 frame's inner border."""
    run = subprocess.run([ruvo, "demo", "--out", str(out)], capture_output=True, text=True)
    if run.returncode != 0 or "A3 frame" not in run.stdout or "图框太小" in run.stdout:
        print("demo:", run.stdout, run.stderr)
        return 1
    inserts = ezdxf.readfile(out / "profile.dxf").modelspace().query("INSERT[name=='RUVOA3LS']")
    return 0 if len(inserts) == 1 else 1


def main() -> int:
    ruvo, sample = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as tmp:
        out = Path(tmp) / "out.dxf"
        svg = Path(tmp) / "out.svg"
        cmd = [ruvo, "profile", sample, "--line", "11F2", "--at", "0,0", "--frame", "6",
               "--set", "XScale=2000", "--set", "YScale=1000", "--set", "txtY=10",
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
        if "RUVOA1LS" not in after.blocks:
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
        problems += check_frames(ruvo, sample, Path(tmp))
        problems += check_demo(ruvo, Path(tmp) / "demo")
        print(f"{len(added)} profile entities, {problems} problems")
        return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
