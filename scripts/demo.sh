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
  "$bin/tabulix" export "$out/section.txt" -o "$out/table.csv"
  echo "demo: table written to $out/table.csv"
fi
