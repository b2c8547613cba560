#!/usr/bin/env bash
# Runs the threaded tests under ThreadSanitizer, then every test of the main build, the GL and widget
# ones inside a single Xvfb server (parallel xvfb-run servers can collide). CTest's summary is the last line.
set -euo pipefail
build=${1:-build}
jobs=$(nproc)
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/mnx-runtime.XXXXXX)}
chmod 700 "$XDG_RUNTIME_DIR"
xvfb=(xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp")

echo "== ThreadSanitizer build of the threaded tests"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMNX_TSAN=ON "${launcher[@]}" >/dev/null
cmake --build build-tsan -j "$jobs" --target mnx_threaded_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp" \
    "${xvfb[@]}" ctest --test-dir build-tsan -L threaded --output-on-failure -j "$jobs" --no-tests=ignore

echo "== All tests"
"${xvfb[@]}" ctest --test-dir "$build" --output-on-failure -j "$jobs"
