#!/usr/bin/env bash
# Builds the Debian package: build/release/vokruzeru_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build package
cmake --preset release >/dev/null
cmake --build --preset release
(cd build/release && cpack -G DEB)
ls build/release/*.deb
