#!/usr/bin/env bash
# Builds the release preset and runs every benchmark. Each prints its figures beside a baseline
# measured in the same run, so that the ratios hold on a busy machine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh build bench
cmake --preset release >/dev/null
cmake --build --preset release

if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="$(mktemp -d)"
  export XDG_RUNTIME_DIR
  trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi

echo "machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
for bench in listing_bench list_rows_bench listing_reader_bench process_end_bench responsiveness_bench startup_bench tool_bench unpack_create_bench; do
  echo
  "build/release/bench/$bench"
done
