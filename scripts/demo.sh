#!/usr/bin/env bash
# Runs the main job on the bundled sample drawing: the section and the profile with `ruvo
# demo`, then the table with `tabulix export` from the section data file it wrote.
set -euo pipefail
build=${1:-build/release}
out=${DEMO_OUT:-demo-out}
bin="$build/bin"
mkdir -p "$out"
"$bin/ruvo" demo --out "$out"
if [[ -f "$out/section.txt" ]]; then
  # The columns a surveyor works with, crossings only (display mode 0).
  "$bin/tabulix" export "$out/section.txt" -o "$out/table.csv" --mode 0 \
    --fields 编号,与起点距离,高程Z,坐标X,坐标Y,注释
  echo "demo: table written to $out/table.csv (number, distance, elevation, X, Y, remark):" \
    "a row for each crossing and for the start and end point; knee points are section points" \
    "but not rows"
fi
