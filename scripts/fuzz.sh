#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ with clang (build/fuzz, apart from the
# presets) and runs each for a bounded time, starting from fuzz/corpus/<target>.
# Usage: bash scripts/fuzz.sh [SECONDS]   (per target; default 60)
# New inputs go to build/fuzz/corpus/<target>, crashing ones to
# build/fuzz/artifacts/<target>/; the exit status is 1 if any target crashed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build=build/fuzz
targets=(preferences_fuzzer event_script_fuzzer measure_levels_fuzzer)

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j2

# The settings target writes and syncs a file per input: on tmpfs that costs nothing.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1

crashed=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  log="$build/$target.log"
  mkdir -p "$corpus" "$artifacts"
  status=0
  "$build/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  found=$(find "$artifacts" -type f | wc -l)
  echo "$target: ${runs:-?} runs, ${speed:-?} exec/s, coverage ${coverage:-?} edges, $found crash(es)"
  if [ "$status" -ne 0 ]; then
    crashed=1
    echo "  failed (status $status); see $log" >&2
    grep -m 3 -E 'ERROR|invariant broken|runtime error' "$log" | sed 's/^/  /' >&2 || true
  fi
done
exit "$crashed"
