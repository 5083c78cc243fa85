#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need; installs nothing
# that is there already. Runs as root, or through sudo otherwise.
set -euo pipefail

paquets=(
    cmake ninja-build g++ clang libclang-rt-14-dev
    qt6-base-dev libqt6opengl6-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    libglu1-mesa-dev libgl1-mesa-dri
    xvfb xauth fonts-dejavu-core desktop-file-utils
    ser2net liblo-dev liblo-tools
    qt6-charts-dev libsdl2-dev
)

manquants=()
for p in "${paquets[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        manquants+=("$p")
    fi
done
[ ${#manquants[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${manquants[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${manquants[@]}"
