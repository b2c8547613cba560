#!/usr/bin/env bash
# Installs the Debian packages Marionix builds, tests and runs with. Idempotent and quiet when all is there.
set -euo pipefail

packages=(
    build-essential cmake pkg-config make
    qtbase5-dev qtbase5-dev-tools libqt5opengl5-dev libqt5svg5-dev
    libbullet-dev libspdlog-dev libfmt-dev libglm-dev libstb-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth x11-utils libgl1-mesa-dri libglx-mesa0 mesa-utils
    fonts-noto-cjk
    g++-mingw-w64-x86-64 wine64
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
