#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz (clang, ASan, UBSan), seeds their corpora from the fixture
# writers (fuzzseed, built in the normal build) and runs each target for FUZZ_RUNS executions.
#   FUZZ_RUNS      executions per target (default 1000000)
#   FUZZ_TARGETS   space-separated subset, e.g. "mmd_pmx mmd_text" (default: every fuzz/*.cpp)
#   FUZZ_MAX_TIME  optional -max_total_time in seconds per target
set -euo pipefail
root=$(dirname "$(realpath "$0")")/..
cd "$root"
runs=${FUZZ_RUNS:-1000000}
jobs=$(nproc 2>/dev/null || echo 2)

for tool in clang clang++; do
    if ! command -v "$tool" >/dev/null; then
        echo "run-fuzzers: $tool not found; install it with scripts/install-deps.sh" >&2
        exit 1
    fi
done
if ! dpkg -s libclang-rt-14-dev >/dev/null 2>&1; then
    echo "run-fuzzers: libclang-rt-14-dev (libFuzzer runtime) missing; install it with scripts/install-deps.sh" >&2
    exit 1
fi

if [ -n "${FUZZ_TARGETS:-}" ]; then
    read -r -a targets <<<"$FUZZ_TARGETS"
else
    targets=()
    for src in fuzz/*.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DMNX_FUZZ=ON -DMNX_BUILD_APP=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
build_targets=()
for name in "${targets[@]}"; do build_targets+=("fuzz_$name"); done
cmake --build build-fuzz -j"$jobs" --target "${build_targets[@]}"

cmake -S . -B build
cmake --build build -j"$jobs" --target fuzzseed
seeds=fuzz-corpus/seeds
rm -rf "$seeds"
build/bin/fuzzseed "$seeds"

extra=()
[ -n "${FUZZ_MAX_TIME:-}" ] && extra+=("-max_total_time=$FUZZ_MAX_TIME")
for name in "${targets[@]}"; do
    # The corpus is named after the input kind: mmd_pmx -> pmx.
    kind=${name#*_}
    corpus=fuzz-corpus/$kind
    mkdir -p "$corpus" fuzz-corpus/crashes
    seed_dirs=()
    [ -d "$seeds/$kind" ] && seed_dirs+=("$seeds/$kind")
    echo "== $name: $runs runs"
    start=$(date +%s)
    build-fuzz/bin/fuzz_"$name" -runs="$runs" -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix=fuzz-corpus/crashes/"$name"- "${extra[@]}" "$corpus" "${seed_dirs[@]}"
    echo "== $name: done in $(($(date +%s) - start)) s"
done
