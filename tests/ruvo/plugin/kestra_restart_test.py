"""What the plug-in keeps from one run of the desktop host to the next, end to end: every
run is a fresh `kestra --script` on one per-user folder and one registry.

Auto-load: "启用自动加载" on the drawing page, then a restarted host loads the module from
the registry without --load; after "取消自动加载" a restart loads nothing. The host is a copy
in a folder of its own, so that no module lies beside it to be loaded instead.

Palette position: a "PMPosition.xml" that docks the palette on the right, 350 wide, is taken
when the palette opens and written back when the last drawing closes; the next run takes the
written file and writes the same place again.

usage: kestra_restart_test.py KESTRA MODULE DRAWING
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

KESTRA, MODULE, DRAWING = (os.path.abspath(a) for a in sys.argv[1:4])
STARTED = "命令:请输入命令ruvo或kestrapm启动Kestra切剖面软件"


def run(env, tmp, host, lines, args=(), expect_ok=True):
    script = os.path.join(tmp, "script.txt")
    with open(script, "w", encoding="utf-8") as f:
        f.write("\n".join(lines + [""]))
    proc = subprocess.run(["xvfb-run", "-a", host, *args, "--script", script, DRAWING],
                          capture_output=True, text=True, env=env, timeout=240, cwd=tmp)
    if expect_ok and proc.returncode != 0:
        sys.exit("kestra %s failed (%d): %s%s" % (" ".join(lines), proc.returncode, proc.stdout,
                                                 proc.stderr))
    return proc


def position(data):
    with open(os.path.join(data, "kestra", "PMPosition.xml"), encoding="utf-8") as f:
        text = f.read()
    found = re.search(r"<PS\b([^>]*)/?>", text)
    if not found:
        sys.exit("PMPosition.xml without a PS element: " + text)
    return dict(re.findall(r'(\w+)="([^"]*)"', found.group(1)))


def auto_load(env, tmp):
    host_dir = os.path.join(tmp, "host")
    module_dir = os.path.join(tmp, "modules")
    os.makedirs(host_dir)
    os.makedirs(module_dir)
    host = os.path.join(host_dir, "kestra")
    shutil.copy2(KESTRA, host)
    module = os.path.join(module_dir, os.path.basename(MODULE))
    shutil.copy2(MODULE, module)

    # Nothing registered: the copied host starts without the plug-in.
    proc = run(env, tmp, host, ["@wait", "@expect " + STARTED], expect_ok=False)
    if proc.returncode == 0:
        sys.exit("the plug-in was loaded before anything was registered")

    run(env, tmp, host, ["@wait", "ruvo", "@wait", "@click 成 图", "@click 启用自动加载", "@wait",
                         "@expect 已启用自动加载"], args=("--load", module))
    # Restarted without --load: the registry names the module.
    run(env, tmp, host, ["@wait", "@expect " + STARTED, "ruvo", "@wait", "@click 成 图",
                         "@click 取消自动加载", "@wait", "@expect 已取消自动加载"])
    proc = run(env, tmp, host, ["@wait", "@expect " + STARTED], expect_ok=False)
    if proc.returncode == 0:
        sys.exit("the plug-in was still loaded after 取消自动加载")


def palette_position(env, tmp):
    data = env["XDG_DATA_HOME"]
    os.makedirs(os.path.join(data, "kestra"), exist_ok=True)
    with open(os.path.join(data, "kestra", "PMPosition.xml"), "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0"?>\n<PS x="0" y="0" width="350" height="500" dock="right" '
                'floating="0" opacity="100"/>\n')
    for _ in range(2):
        run(env, tmp, KESTRA, ["@wait", "ruvo", "@wait", "CLOSE", "@wait"],
            args=("--no-registry", "--load", MODULE))
        got = position(data)
        if got.get("dock") != "right" or got.get("floating") != "0" or got.get("width") != "350":
            sys.exit("palette position not kept: %s" % got)


def main():
    with tempfile.TemporaryDirectory(prefix="kestra-restart-") as tmp:
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(tmp, "config"),
                   XDG_DATA_HOME=os.path.join(tmp, "data"), LC_ALL="C.UTF-8")
        env.pop("DISPLAY", None)
        auto_load(env, tmp)
        palette_position(env, tmp)
    print("ok")


if __name__ == "__main__":
    main()
