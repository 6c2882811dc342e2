#!/usr/bin/env bash
# Runs the main job on the bundled sample drawing with what has been built so far.
set -euo pipefail
build=${1:-build/release}
out=${DEMO_OUT:-demo-out}
ruvo="$build/src/cli/ruvo"
if [[ -x "$ruvo" ]]; then
  exec "$ruvo" demo --out "$out"
fi
echo "demo: the command-line program 'ruvo' is not built yet."
echo "demo: what exists so far is the geometry kernel; run 'make test' to exercise it."
echo "demo: nothing was cut and no file was written."
