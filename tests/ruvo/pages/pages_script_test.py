"""The two palette pages in the desktop host, end to end, against the command line.

Drawing page: `kestra --script` opens the sample drawing, runs "ruvo", gets the points of
the section line by a typed pick, shows the drawing page, presses "成图带图框", answers the
drag with a typed point and saves the drawing; the profile line and the A3 frame must lie
where `ruvo profile` puts them for the same line and point.

Data page: "获取交点数据" with a typed pick, an elevation typed into a cell of the list,
then "存数据" with a typed file name; the file must hold the bytes `ruvo section` writes
for the same line with the same elevation typed.

usage: pages_script_test.py KESTRA RUVO DRAWING MODULE [PICTURE_FOLDER]
"""

import os
import subprocess
import sys
import tempfile

import ezdxf

KESTRA, RUVO, DRAWING, MODULE = (os.path.abspath(a) for a in sys.argv[1:5])
PICTURES = sys.argv[5] if len(sys.argv) > 5 else None
PICK = "512178.814,3518538.479"  # on the first leg of the sample's section line
AT = "513500,3518300"


# Scales at which the sample's profile fits an A3 sheet, stored where both programs read
# the user's settings.
SETTINGS = """REGEDIT4

[HKEY_CURRENT_USER\\Software\\Korvane\\Ridav]
"XScale"="5000.0"
"YScale"="1000.0"
"bXYEqual"=dword:00000000

"""


def store_settings(config):
    os.makedirs(os.path.join(config, "kestra"), exist_ok=True)
    with open(os.path.join(config, "kestra", "registry.reg"), "w", encoding="ascii") as f:
        f.write(SETTINGS)


def run_kestra(env, tmp, lines):
    script = os.path.join(tmp, "script.txt")
    with open(script, "w", encoding="utf-8") as f:
        f.write("\n".join(lines + [""]))
    proc = subprocess.run(["xvfb-run", "-a", KESTRA, "--no-registry", "--load", MODULE,
                           "--script", script, DRAWING],
                          capture_output=True, text=True, env=env, timeout=300, cwd=tmp)
    if proc.returncode != 0:
        sys.exit("kestra --script failed (%d): %s%s" % (proc.returncode, proc.stdout,
                                                        proc.stderr))


def profile_entities(path):
    """The frame reference's insertion point and the profile line's vertices."""
    msp = ezdxf.readfile(path).modelspace()
    frames = [e.dxf.insert for e in msp.query("INSERT") if e.dxf.name == "RUVOA3LS"]
    lines = [[tuple(round(c, 6) for c in p) for p in e.get_points("xy")]
             for e in msp.query("LWPOLYLINE") if e.dxf.layer == "RUVO"]
    counts = {layer: len(msp.query('*[layer=="%s"]' % layer)) for layer in ("RUVO", "RVTK")}
    return frames, lines, counts


def picture(tmp, name):
    return os.path.join(PICTURES or tmp, name)


def drawing_page(env, tmp):
    saved = os.path.join(tmp, "drawn.dxf")
    expected = os.path.join(tmp, "expected.dxf")
    run_kestra(env, tmp, [
        "@wait",
        "ruvo",
        "@wait",
        "@click 获取交点数据",
        PICK,
        "@wait",
        "@click 成 图",
        "@wait",
        # the frame list by its caption, the preview button by its caption read in one line
        "@choose 选择图框类型: A3图框(横向)",
        "@click 图形位置预览",
        "@click 成图带图框",
        AT,
        "@wait",
        "ZOOM",
        "E",
        "@wait",
        "@screenshot " + picture(tmp, "drawing_page.png"),
        "SAVEAS",
        saved,
        "@wait",
    ])
    proc = subprocess.run([RUVO, "profile", DRAWING, "--pick", PICK, "--at", AT, "--frame", "2",
                           "-o", expected], capture_output=True, text=True, env=env)
    if proc.returncode != 0:
        sys.exit("ruvo profile failed: " + proc.stderr)
    got, want = profile_entities(saved), profile_entities(expected)
    if not got[0]:
        sys.exit("no A3 frame in the saved drawing")
    if got[0] != want[0]:
        sys.exit("frame at %s, ruvo profile puts it at %s" % (got[0], want[0]))
    if got[1] != want[1]:
        sys.exit("the profile line differs from ruvo profile's")
    if got[2] != want[2]:
        sys.exit("entities per layer %s, ruvo profile %s" % (got[2], want[2]))


def data_page(env, tmp):
    # The third row lists the third point (no point before it is hidden); its elevation is
    # typed into the cell's editor, and the file's name into the save dialog.
    saved = os.path.join(tmp, "edited.txt")
    expected = os.path.join(tmp, "expected.txt")
    run_kestra(env, tmp, [
        "@wait",
        "ruvo",
        "@wait",
        "@click 获取交点数据",
        PICK,
        "@wait",
        "@cell 3 2",
        "@type 123.25",
        "@key Return",
        "@screenshot " + picture(tmp, "data_page.png"),
        "@click 存数据",
        "@type " + saved,
        "@key Return",
        "@wait",
    ])
    proc = subprocess.run([RUVO, "section", DRAWING, "--pick", PICK, "--height", "3=123.25",
                           "-o", expected], capture_output=True, text=True, env=env)
    if proc.returncode != 0:
        sys.exit("ruvo section failed: " + proc.stderr)
    if not os.path.exists(saved):
        sys.exit("存数据 wrote nothing under the typed name")
    if os.path.exists(os.path.join(tmp, "数据文件.txt")):
        sys.exit("存数据 took the offered name instead of the typed one")
    with open(saved, "rb") as a, open(expected, "rb") as b:
        if a.read() != b.read():
            sys.exit("存数据 wrote other bytes than ruvo section with the same elevation typed")


def main():
    with tempfile.TemporaryDirectory(prefix="kestra-pages-") as tmp:
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(tmp, "config"),
                   XDG_DATA_HOME=os.path.join(tmp, "data"), LC_ALL="C.UTF-8")
        env.pop("DISPLAY", None)
        store_settings(env["XDG_CONFIG_HOME"])
        drawing_page(env, tmp)
        data_page(env, tmp)
    print("ok")


if __name__ == "__main__":
    main()
