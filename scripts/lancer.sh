#!/usr/bin/env bash
# Builds the program and runs it. With no option it drives the controller simulator with the
# virtual glove, so that it can be tried without a robot; options go to the program as they are
# (for instance --port /dev/ttyUSB0 --glove replay:FILE for a real controller).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/installer-dependances.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target zelvor scorbot-sim

if [ $# -gt 0 ]; then
    exec build/app/zelvor "$@"
fi

# The simulator prints its pseudo-terminal's path once it serves the line.
coproc SIM { exec build/sim/scorbot-sim; }
trap 'kill "$SIM_PID" 2>/dev/null || true; wait "$SIM_PID" 2>/dev/null || true' EXIT
read -r peripherique <&"${SIM[0]}"
echo "Controller simulator on $peripherique"
statut=0
build/app/zelvor --port "$peripherique" --glove virtual || statut=$?
exit $statut
