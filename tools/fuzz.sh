#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang into build-fuzz and runs
# each for a bounded time on a scratch copy of its seed corpus, so the
# committed corpus never grows. Fails when any target finds a crash, a
# leak, a timeout (a hang) or an out-of-memory (a huge allocation), and
# prints the input that reproduces it.
# Usage: bash tools/fuzz.sh [seconds per target]   (default: 30)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
build=$root/build-fuzz
targets=(geo_reader obj_reader off_reader ply_reader gltf_reader element_pattern edge_pattern parm_setter)

bash "$root/tools/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFLATSKIN_FUZZ=ON -DFLATSKIN_TESTS=OFF -DFLATSKIN_SOPCOOK=OFF >/dev/null
cmake --build "$build" --target fuzz_all -j"$(nproc)"

failed=0
for t in "${targets[@]}"; do
  run=$build/fuzz-run/$t
  rm -rf "$run"
  mkdir -p "$run/corpus" "$run/artifacts"
  cp "$root/fuzz/corpus/$t/"* "$run/corpus/"
  # -timeout: one input running this long is a hang; -rss_limit_mb also
  # caps single allocations (libFuzzer's malloc limit follows it).
  status=0
  "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
    -artifact_prefix="$run/artifacts/" -print_final_stats=1 "$run/corpus" >"$run/log" 2>&1 || status=$?
  found=$(find "$run/artifacts" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log")
  if [ "$status" -ne 0 ] || [ -n "$found" ]; then
    failed=1
    echo "fuzz: $t FAILED (exit $status) after ${runs:-?} inputs; log: $run/log"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|fuzz check failed)' "$run/log" | head -5 | sed 's/^/  /' || true
    for f in $found; do echo "  reproducer: $f  (run: $build/fuzz/fuzz_$t $f)"; done
  else
    echo "fuzz: $t ok, ${runs:-?} inputs in ${seconds}s"
  fi
done
exit $failed
