#!/usr/bin/env bash
# Builds everything from nothing and runs the test suite twice: a Release
# build, then a Debug build under AddressSanitizer and UndefinedBehavior-
# Sanitizer, and last the libFuzzer targets for 25 s each (tools/fuzz.sh;
# both skipped with --fast).
# Usage: bash tools/test.sh [--fast] [build-folder]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fast=0
if [ "${1:-}" = "--fast" ]; then fast=1; shift; fi
build=${1:-$root/build}
jobs=$(nproc)

bash "$root/tools/install-deps.sh"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFLATSKIN_TESTS=ON -DFLATSKIN_WERROR=ON
cmake --build "$build" -j"$jobs"
(cd "$build" && ctest --output-on-failure -j"$jobs" --timeout 600)

[ "$fast" -eq 1 ] && exit 0
san="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S "$root" -B "$build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DFLATSKIN_TESTS=ON -DFLATSKIN_WERROR=ON \
  -DCMAKE_C_FLAGS="$san" -DCMAKE_CXX_FLAGS="$san" \
  -DCMAKE_EXE_LINKER_FLAGS="$san" -DCMAKE_SHARED_LINKER_FLAGS="$san" -DCMAKE_MODULE_LINKER_FLAGS="$san"
cmake --build "$build-sanitize" -j"$jobs"
(cd "$build-sanitize" && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j"$jobs" --timeout 600)

# Every reader and parser fuzzed for a bounded time (about 3 minutes).
bash "$root/tools/fuzz.sh" 25
