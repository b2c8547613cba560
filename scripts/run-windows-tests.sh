#!/usr/bin/env bash
# Cross-compiles the Windows build of the model runtime (physics left out) and the face link's socket layer with
# MinGW-w64, then runs their tests under Wine in a throw-away prefix. Needs no display. Usage:
#   scripts/run-windows-tests.sh [build-dir]        (default build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}
jobs=$(nproc)
began=$(date +%s)

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
echo "== Windows cross build (MinGW-w64)"
cmake -S cmake/windows-cross -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$jobs"
built=$(date +%s)

# Debian's wine64 package installs its loader outside PATH.
wine=$(command -v wine64 || true)
[ -z "$wine" ] && [ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -z "$wineserver" ] && [ -x /usr/lib/wine/wineserver ] && wineserver=/usr/lib/wine/wineserver
if [ -z "$wine" ] || [ -z "$wineserver" ]; then
    echo "wine64 is missing: run scripts/install-deps.sh" >&2
    exit 1
fi

export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would wait for a click.
export WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX=$(mktemp -d /tmp/mnx-wine.XXXXXX)
export WINEPREFIX
cleanup() {
    "$wineserver" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

echo "== Wine prefix"
# The first start builds the prefix (registry, system folders) and starts Wine's own services. Those services
# outlive the program that started them and keep its output open, so they are started here, with their output
# going nowhere, by a server kept up for the whole run; a test started them otherwise, and CTest would wait on
# that test's output until the services ended. A slow machine gets one more try before the run counts as failed.
booted=0
for attempt in 1 2; do
    "$wineserver" -p
    if timeout 300 "$wine" wineboot --init </dev/null >/dev/null 2>&1; then
        booted=1
        break
    fi
    echo "wineboot attempt $attempt failed" >&2
    "$wineserver" -k 2>/dev/null || true
done
[ "$booted" -eq 1 ] || { echo "Wine did not start" >&2; exit 1; }
ready=$(date +%s)

echo "== Windows tests under Wine"
status=0
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 300 || status=$?
finished=$(date +%s)
echo "Windows build $((built - began)) s, Wine start $((ready - built)) s, tests $((finished - ready)) s," \
    "total $((finished - began)) s"
exit $status
