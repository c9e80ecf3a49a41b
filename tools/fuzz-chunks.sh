#!/usr/bin/env bash
# Fuzzes chunk and preset-file loading with libFuzzer (clang, address and undefined-behaviour
# sanitizers) in its own build directory.
#
#   tools/fuzz-chunks.sh                 build, then run RUNS executions (default 1000000)
#   tools/fuzz-chunks.sh --replay        build, then run every file of the committed corpus once
#   tools/fuzz-chunks.sh -- ARGS...      extra libFuzzer arguments for the run
#
# Environment: BUILD_DIR (default build-fuzz), RUNS. The run mutates a copy of the corpus in
# BUILD_DIR/corpus-work, so the committed seeds under tests/fuzz/corpus stay as they are;
# crashes are written to BUILD_DIR/artifacts/ and the run stops with a non-zero status.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-fuzz}
runs=${RUNS:-1000000}
corpus=$root/tests/fuzz/corpus

mode=run
if [ "${1:-}" = "--replay" ]; then
  mode=replay
  shift
fi
[ "${1:-}" = "--" ] && shift

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DOSTREL_FUZZ=ON -DOSTREL_BENCH=OFF -DOSTREL_TOOLS=OFF -DOSTREL_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target ostrel-fuzz-chunks -j2
fuzzer=$build/tests/fuzz/ostrel-fuzz-chunks

if [ "$mode" = replay ]; then
  exec "$fuzzer" "$corpus"/*
fi

work=$build/corpus-work
mkdir -p "$work" "$build/artifacts"
cp -n "$corpus"/* "$work"/ 2>/dev/null || true
exec "$fuzzer" "$work" -runs="$runs" -max_len=16384 -print_final_stats=1 \
  -artifact_prefix="$build/artifacts/" "$@"
