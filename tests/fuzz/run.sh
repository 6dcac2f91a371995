#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (build/fuzz) and runs each for a fixed time,
# starting from its corpus in tests/fuzz/corpus/<target>/.
#   tests/fuzz/run.sh [SECONDS_PER_TARGET]      (default 20)
# Inputs that reach new code are kept in build/fuzz/corpus/<target>/; an input that fails is
# written to build/fuzz/failures/ and the script stops with its report.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds="${1:-20}"

scripts/install-deps.sh fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p build/fuzz/failures
for corpus in tests/fuzz/corpus/*/; do
  target="$(basename "$corpus")"
  mkdir -p "build/fuzz/corpus/$target"
  log="build/fuzz/$target.log"
  if ! "build/fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=64 \
      -print_final_stats=1 -artifact_prefix="build/fuzz/failures/$target-" \
      "build/fuzz/corpus/$target" "$corpus" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $target failed; the input is in build/fuzz/failures/" >&2
    exit 1
  fi
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  echo "fuzz: $target: $runs inputs in ${seconds} s, no failure"
done
