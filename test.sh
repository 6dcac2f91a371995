#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, each fuzz target for 20 s among them.
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

# The Windows build, cross-compiled and tested under Wine.
scripts/test-windows.sh

# Every package that the scripts, tests and builds above needed came from scripts/install-deps.sh,
# and each package it names was needed.
tests/install/deps_test.py --complete
