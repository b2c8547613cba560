#!/usr/bin/env bash
# Runs every Google Benchmark executable of the build, then the whole-frame CPU benchmark on the real fixture.
set -euo pipefail
build=${1:-build}
fixtures=$(dirname "$(realpath "$0")")/../../shared/fixtures/real
for bench in "$build"/bench/bench_*; do
    [ -x "$bench" ] && "$bench"
done
if [ -x "$build/bin/mnxtool" ] && [ -f "$fixtures/miku_v2/index.pmx" ]; then
    "$build/bin/mnxtool" bench "$fixtures/miku_v2/index.pmx" --motion "$fixtures/motions/run.vmd" --threads 2
fi
