#!/usr/bin/env bash
# Runs every libFuzzer target found in the fuzz build for the given number of seconds.
set -euo pipefail
build=${1:-build/fuzz}
seconds=${2:-60}
# A fixed seed makes a run repeatable; FUZZ_SEED=0 lets libFuzzer pick one.
seed=${FUZZ_SEED:-1}
shopt -s nullglob
found=0
for target in "$build"/tests/*/fuzz_* "$build"/tests/*/*/fuzz_*; do
  [[ -f "$target" && -x "$target" ]] || continue  # skip the <target>.seeds folders
  found=1
  name=$(basename "$target")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [[ -d "$target.seeds" ]] && seeds+=("$target.seeds")
  echo "fuzz: $name for ${seconds}s"
  "$target" -seed="$seed" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=0 "$corpus" "${seeds[@]}" 2>"$build/$name.log" \
    || { echo "fuzz: $name found a failure:"; tail -n 40 "$build/$name.log"; exit 1; }
done
[[ $found -eq 1 ]] || echo "fuzz: no fuzz targets built"
