#!/usr/bin/env bash
# Makes docs/capture.png, the README's picture: builds the program and the screenshot helper,
# runs `zelvor --simulate` on a virtual X screen, waits until the window talks to its simulated
# controller, and photographs the screen (the main window and the "Gant virtuel" panel).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != "--sous-x" ]; then
    scripts/installer-dependances.sh
    build=${ZELVOR_BUILD_DIR:-build}
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --target zelvor capture-ecran
    mkdir -p docs
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" --sous-x "$build"
fi

# From here on, inside the virtual X server.
build=$2
travail=$(mktemp -d)
export QT_QPA_PLATFORM=xcb LANG=fr_FR.UTF-8 LANGUAGE= LC_ALL=
"$build/app/zelvor" --simulate --sim-transcript "$travail/transcript" >"$travail/sortie" &
zelvor=$!
trap 'kill -TERM "$zelvor" 2>/dev/null || true; wait "$zelvor" 2>/dev/null || true; rm -rf "$travail"' EXIT

# The first listing of point A means the start-up is over and the window is on the screen.
for _ in $(seq 1 300); do
    grep -qi 'listpv' "$travail/transcript" 2>/dev/null && break
    kill -0 "$zelvor" 2>/dev/null || { echo "zelvor ended early" >&2; exit 1; }
    sleep 0.1
done
grep -qi 'listpv' "$travail/transcript" || { echo "zelvor did not start" >&2; exit 1; }
sleep 1 # a few listings, so that the readouts and the panel's status are filled in

"$build/packaging/capture-ecran" docs/capture.png
echo "docs/capture.png written"
