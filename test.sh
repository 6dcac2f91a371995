#!/usr/bin/env bash
# Installs what is missing, builds, runs every test, then each fuzz target for 20 s.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build test
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev -j "$(nproc)"
tests/fuzz/run.sh 20
