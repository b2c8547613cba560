#!/usr/bin/env bash
# Runs every Google Benchmark executable of the build, then the whole-frame CPU benchmark on the real fixture.
set -euo pipefail
build=${1:-build}
fixtures=$(dirname "$(realpath "$0")")/../../shared/fixtures/real
# The render benchmark needs a display; without one it runs inside Xvfb.
run() {
    if [ -z "${DISPLAY:-}" ]; then xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; else "$@"; fi
}
for bench in "$build"/bench/bench_*; do
    [ -x "$bench" ] && run "$bench"
done
if [ -x "$build/bin/mnxtool" ] && [ -f "$fixtures/miku_v2/index.pmx" ]; then
    "$build/bin/mnxtool" bench "$fixtures/miku_v2/index.pmx" --motion "$fixtures/motions/run.vmd" --threads 2
fi
