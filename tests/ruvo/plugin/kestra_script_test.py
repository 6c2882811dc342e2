"""The current module in the desktop host, end to end: `kestra --script` opens the sample
drawing, runs "ruvo", checks the palette and the menu, imports a section data file that
`ruvo section` wrote and saves it again with "存数据": the bytes must be the same.

usage: kestra_script_test.py KESTRA RUVO DRAWING MODULE [SCREENSHOT.png]
"""

import os
import subprocess
import sys
import tempfile

KESTRA, RUVO, DRAWING, MODULE = sys.argv[1:5]
PICTURE = sys.argv[5] if len(sys.argv) > 5 else None
SECTION_LINE = "11F2"


def main():
    with tempfile.TemporaryDirectory(prefix="kestra-script-") as tmp:
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(tmp, "config"),
                   XDG_DATA_HOME=os.path.join(tmp, "data"), LC_ALL="C.UTF-8")
        env.pop("DISPLAY", None)
        source = os.path.join(tmp, "section.txt")
        saved = os.path.join(tmp, "saved.txt")
        picture = PICTURE or os.path.join(tmp, "palette.png")
        proc = subprocess.run([RUVO, "section", DRAWING, "--line", SECTION_LINE, "-o", source],
                              capture_output=True, text=True, env=env)
        if proc.returncode != 0:
            sys.exit("ruvo section failed: " + proc.stderr)
        script = os.path.join(tmp, "script.txt")
        with open(script, "w", encoding="utf-8") as f:
            f.write("\n".join([
                "@wait",
                "ruvo",
                "@wait",
                "@expect 命令:请输入命令ruvo或kestrapm启动Kestra切剖面软件",
                "@click 导入",
                # The file dialogs open in the working folder; typing waits until the dialog has
                # the focus.
                "@wait",
                "@type " + os.path.basename(source),
                "@key Return",
                "@wait",
                "@click 存数据",
                "@wait",
                "@type " + os.path.basename(saved),
                "@key Return",
                "@wait",
                "@screenshot " + picture,
                "@click 成 图",
                "@click 数 据",
                "ruvoreset",
                "@click KKestra切剖面",
                "@wait",
                "",
            ]))
        proc = subprocess.run(["xvfb-run", "-a", KESTRA, "--no-registry", "--load", MODULE,
                               "--script", script, DRAWING],
                              capture_output=True, text=True, env=env, timeout=240, cwd=tmp)
        if proc.returncode != 0:
            sys.exit("kestra --script failed (%d): %s%s" % (proc.returncode, proc.stdout,
                                                            proc.stderr))
        with open(source, "rb") as f:
            expected = f.read()
        if not os.path.exists(saved):
            sys.exit("存数据 wrote nothing")
        with open(saved, "rb") as f:
            if f.read() != expected:
                sys.exit("存数据 wrote other bytes than ruvo section")
        if not os.path.exists(picture) or os.path.getsize(picture) == 0:
            sys.exit("no screenshot")
    print("ok")


if __name__ == "__main__":
    main()
