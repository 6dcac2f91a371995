#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build test package
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev -j "$(nproc)"

# The Debian package, built from the release preset.
tests/install/package_test.sh

# The Windows build, cross-compiled and tested under Wine.
scripts/test-windows.sh
