#!/usr/bin/env bash
# Runs the desktop view benchmark under Xvfb with its peer, Debian's LibreCAD dxf2pdf
# ("librecad dxf2pdf FILE"), which this script installs when it is missing (only the
# benchmark needs it).
#   bench/desktop_view/run.sh [BUILD_DIR] [benchmark options...]
set -euo pipefail
build=${1:-build/release}
shift || true
bench="$build/bench/desktop_view/bench_desktop_view"
[[ -x "$bench" ]] || { echo "run.sh: build the target bench_desktop_view first ($bench)" >&2; exit 1; }
if ! command -v librecad >/dev/null 2>&1; then
  echo "run.sh: installing the peer (librecad) for dxf2pdf"
  SUDO=""; [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -q -y librecad >/dev/null
fi
peer="xvfb-run -a librecad dxf2pdf"
exec xvfb-run -a "$bench" --peer "$peer" "$@"
