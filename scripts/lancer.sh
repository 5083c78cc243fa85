#!/usr/bin/env bash
# Builds the program and runs it. With no option it runs in simulation: the controller simulator
# on a pseudo-terminal and the virtual glove panel, so that it can be tried without a robot.
# Options go to the program as they are (for instance --port /dev/ttyUSB0 --glove virtual for a
# real controller on a USB serial adapter).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/installer-dependances.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target zelvor scorbot-sim

if [ $# -eq 0 ]; then
    set -- --simulate
fi
exec build/app/zelvor "$@"
