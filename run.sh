#!/usr/bin/env bash
# Installs what is missing, builds, and starts VOKRuzeru.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build
cmake --preset release >/dev/null
cmake --build --preset release

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  # The virtual display the advice below names, so that following it works on this machine.
  scripts/install-deps.sh headless
  echo "Built build/release/bin/vokruzeru, but there is no display to show its window on."
  echo 'Run ./run.sh from a desktop session, or under a virtual display: `xvfb-run ./run.sh`.'
  exit 1
fi
exec build/release/bin/vokruzeru
