#!/usr/bin/env bash
# Builds the native fuzz targets (fuzz/: clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a fixed time from its seed corpus.
#   fuzz.sh              every target for 25 s (what scripts/test.sh, and so CI, runs)
#   fuzz.sh --long       every target for an hour; FUZZ_SECONDS=N sets any other time
#   fuzz.sh dib tga      only the targets named
# Inputs that find new paths are kept in build/fuzz/corpus/TARGET (a longer run starts from
# them); an input that crashes a target is saved as build/fuzz/crash-TARGET-... and the script
# fails. Reproduce one with: build/fuzz/fuzz_TARGET FILE
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

seconds=${FUZZ_SECONDS:-25}
if [ "${1:-}" = "--long" ]; then
  seconds=${FUZZ_SECONDS:-3600}
  shift
fi
build=build/fuzz

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for program in "$build"/fuzz_*; do
    [ -f "$program" ] && [ -x "$program" ] && targets+=("${program##*/fuzz_}")
  done
fi

summary=""
status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/logs"
  log="$build/logs/$t.log"
  # The first folder receives new inputs; the committed seeds are only read.
  if "$build/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
       -print_final_stats=1 -artifact_prefix="$build/crash-$t-" "$build/corpus/$t" "fuzz/corpus/$t" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
    # The finding, from its first line on.
    first=$(grep -n -m1 -E 'ERROR|runtime error|deadly signal|timeout|out-of-memory' "$log" | cut -d: -f1 || true)
    tail -n +"${first:-1}" "$log" | head -n 60
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  summary+=$(printf '  %-10s %-6s %12s runs in %s s\n' "$t" "$result" "${runs:-?}" "$seconds")$'\n'
done
printf 'Fuzzing:\n%s' "$summary"
exit $status
