#!/usr/bin/env bash
# Makes docs/capture.png, the README's picture: builds the program and the screenshot helper,
# runs `zelvor --simulate` on a virtual X screen, waits until the window talks to its simulated
# controller, and photographs the screen (the main window and the "Gant virtuel" panel).
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/photo-commune.sh
sous_x zelvor 1280x800x24 "$@"

# From here on, inside the virtual X server.
build=$2
travail=$(mktemp -d)
export QT_QPA_PLATFORM=xcb LANG=fr_FR.UTF-8 LANGUAGE= LC_ALL=
"$build/app/zelvor" --simulate --sim-transcript "$travail/transcript" >"$travail/sortie" &
zelvor=$!
trap 'kill -TERM "$zelvor" 2>/dev/null || true; wait "$zelvor" 2>/dev/null || true; rm -rf "$travail"' EXIT

# The first listing of point A means the start-up is over and the window is on the screen.
attendre "$travail/transcript" listpv "$zelvor" zelvor
sleep 1 # a few listings, so that the readouts and the panel's status are filled in

"$build/packaging/capture-ecran" docs/capture.png
echo "docs/capture.png written"
