#!/usr/bin/env bash
# Installs what is missing, builds, runs every test, then each fuzz target for 20 s.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build test package
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev -j "$(nproc)"

# The Debian package, built from the release preset.
tests/install/package_test.sh

# Each fuzz target for a fixed time, built with clang in build/fuzz.
tests/fuzz/run.sh 20
