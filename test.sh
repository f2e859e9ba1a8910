#!/usr/bin/env bash
# Installs what is missing, builds, runs every test offscreen, then builds the
# libFuzzer targets with clang (ASan + UBSan) and runs each one briefly.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
JOBS=$(nproc 2>/dev/null || echo 2)
(cd build && ctest --output-on-failure -j "$JOBS")

FUZZ_SECONDS=${FUZZ_SECONDS:-15}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j "$JOBS"
if [ -d build-fuzz/fuzzers ]; then
  for f in build-fuzz/fuzzers/*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus=build-fuzz/corpus/$name
    mkdir -p "$corpus"
    seeds=fuzz/seeds/$name
    echo "fuzz: $name (${FUZZ_SECONDS}s)"
    args=("$corpus")
    [ -d "$seeds" ] && args+=("$seeds")
    "$f" -seed=1 -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 -timeout=10 -artifact_prefix=build-fuzz/ \
         -print_final_stats=0 "${args[@]}" >"build-fuzz/$name.log" 2>&1 || {
      echo "fuzz target $name failed:"; tail -n 40 "build-fuzz/$name.log"; exit 1; }
  done
fi
echo "All tests passed."
