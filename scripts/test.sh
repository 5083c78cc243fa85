#!/usr/bin/env bash
# Installs what is missing, configures, builds with warnings as errors, and runs every test
# (the ones that need a display under a virtual X server).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/installer-dependances.sh

build=${ZELVOR_BUILD_DIR:-build-ci}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVOR_WERROR=ON
cmake --build "$build"
cd "$build"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j2
