# What the screenshot scripts share; sourced by them, from the project's folder.

# sous_x CIBLE ECRAN "$@": outside the virtual X server, installs what is needed, builds CIBLE and
# the screenshot helper, and runs the calling script again inside a virtual screen of ECRAN (e.g.
# "1280x800x24") as "SCRIPT --sous-x BUILD". Inside (the script's own arguments say so), returns.
sous_x() {
    [ "${3:-}" = "--sous-x" ] && return 0
    scripts/installer-dependances.sh
    local build=${ZELVOR_BUILD_DIR:-build}
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --target "$1" capture-ecran
    mkdir -p docs
    exec xvfb-run -a -s "-screen 0 $2" "$0" --sous-x "$build"
}

# attendre FICHIER MOTIF PID NOM: until FICHIER holds a line MOTIF matches (30 s at most); leaves
# the script if the process PID ends first or the time runs out.
attendre() {
    for _ in $(seq 1 300); do
        grep -qi -- "$2" "$1" 2>/dev/null && return 0
        kill -0 "$3" 2>/dev/null || { echo "$4 ended early" >&2; exit 1; }
        sleep 0.1
    done
    echo "$4 did not start" >&2
    exit 1
}
