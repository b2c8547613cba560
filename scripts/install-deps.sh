#!/usr/bin/env bash
# Installs the Debian packages Marionix builds, tests and runs with. Idempotent and quiet when all is there.
set -euo pipefail

packages=(
    build-essential cmake pkg-config make ccache lld
    qtbase5-dev qtbase5-dev-tools libqt5opengl5-dev libqt5svg5-dev
    libbullet-dev libspdlog-dev libfmt-dev libglm-dev libstb-dev liblo-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libopenxr-dev libopenxr-loader1 libopenxr-utils libx11-dev libgl-dev
    clang libclang-rt-14-dev
    xvfb xauth x11-utils libgl1-mesa-dri libglx-mesa0 mesa-utils
    fonts-noto-cjk locales
    g++-mingw-w64-x86-64 wine64
)

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

# The locale tests run under a comma-decimal locale; only C and POSIX exist on a fresh system.
ensure_test_locale() {
    locale -a 2>/dev/null | grep -qiE '^de_DE\.utf-?8$' && return 0
    command -v locale-gen >/dev/null || return 0
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
}

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    ensure_test_locale
    exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
ensure_test_locale
