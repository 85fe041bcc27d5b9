#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs each for SECONDS
# (default 60), starting from the fixtures of tests/data and the inputs that
# once found a fault (tests/data/fuzz/<target>/). Prints executions and findings
# per target; exits non-zero when any target found something. A finding is
# kept in build-fuzz/findings/<target>/; copy it to tests/data/fuzz/<target>/ to
# make it a regression test once the fault is mended.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/setup.sh

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCORVALA_FUZZ=ON \
  -DCORVALA_BUILD_UI=OFF -DCORVALA_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz_targets

# Seeds of each target: fixture files of tests/data.
declare -A seeds=(
  [device_line]="device_frames.txt"
  [measurement_file]="*.cv3"
  [run_journal]="*.journal"
  [analysis_file]="*.cva"
  [settings_file]="*.ini"
  [command_line]="command_line.args"
  [workbook]="workbook_sheets.txt"
)
# Words worth trying, for the targets that have them.
declare -A dicts=([device_line]=device_line [measurement_file]=measurement_file
  [run_journal]=measurement_file)
targets=(device_line measurement_file run_journal analysis_file settings_file command_line workbook)

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=0
summary=()
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  findings=build-fuzz/findings/$target
  mkdir -p "$corpus" "$findings"
  (cd tests/data && for f in ${seeds[$target]}; do cp -f "$f" "$OLDPWD/$corpus/"; done)
  [ -d "tests/data/fuzz/$target" ] && cp -f "tests/data/fuzz/$target"/* "$corpus/" 2>/dev/null || true
  log=build-fuzz/$target.log
  dict=()
  [ -f "fuzz/${dicts[$target]:-none}.dict" ] && dict=(-dict="fuzz/${dicts[$target]}.dict")
  status=0
  "build-fuzz/fuzz/${target}_fuzz" "$corpus" "${dict[@]}" -max_total_time="$seconds" \
    -print_final_stats=1 -rss_limit_mb=2048 -malloc_limit_mb=512 -timeout=10 \
    -artifact_prefix="$findings/" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  found=$(find "$findings" -type f | wc -l)
  if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
    failed=1
    echo "fuzz: $target found a fault (exit $status); see $log and $findings" >&2
    grep -m3 -E "ERROR|property broken|runtime error" "$log" >&2 || true
  fi
  summary+=("$(printf '%-18s %12s executions  %d findings' "$target" "${runs:-0}" "$found")")
done
printf '%s\n' "${summary[@]}"
exit "$failed"
