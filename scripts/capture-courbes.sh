#!/usr/bin/env bash
# Makes docs/courbes.png, the README's picture of the plot window: builds the program's pieces
# and the screenshot helper, replays a glove trajectory in simulation (written here: the hand
# sweeps, beyond the workspace on X, closes and opens the gripper, and homes the arm once) with
# "Suivi du bras" open under the main window, and photographs the screen after 24 s of it.
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/photo-commune.sh
sous_x demo-courbes 1280x1200x24 "$@"

# From here on, inside the virtual X server.
build=$2
travail=$(mktemp -d)
export QT_QPA_PLATFORM=xcb LANG=fr_FR.UTF-8 LANGUAGE= LC_ALL=
# t_ms x y z f0 f1 f2 f3 f4 b0 b1, every 50 ms for 26 s; the second button held at 15 s homes.
awk 'BEGIN {
    print "zelvor-gant 1"
    for (t = 0; t <= 26000; t += 50) {
        s = t / 1000
        f1 = (int(s / 4) % 2 == 1) ? 140 : 10
        b1 = (s >= 15 && s < 15.3) ? 1 : 0
        printf "%d %.1f %.1f %.1f 0 %d 0 0 0 0 %d\n", t, 700 * sin(0.5 * s), 350 * sin(0.8 * s),
               380 * sin(0.35 * s + 0.5), f1, b1
    }
}' >"$travail/trajectoire.txt"
"$build/packaging/demo-courbes" "$travail/trajectoire.txt" >"$travail/sortie" &
demo=$!
trap 'kill -TERM "$demo" 2>/dev/null || true; wait "$demo" 2>/dev/null || true; rm -rf "$travail"' EXIT

attendre "$travail/sortie" '^Lancer' "$demo" demo-courbes
sleep 24

"$build/packaging/capture-ecran" docs/courbes.png
echo "docs/courbes.png written"
