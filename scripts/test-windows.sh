#!/usr/bin/env bash
# Runs every test program of the Windows cross build (build-windows/, see
# scripts/build-windows.sh) with Wine, in a Wine prefix of its own under
# build-windows/ and without a display (they are console programs). Prints per
# program how many tests ran, passed and were skipped (each skipped test with its
# reason), the tests this build leaves out with the reason, and a total line;
# fails when any test fails. Then compares the Windows build's output and files
# with the Linux build's (scripts/compare-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-windows

export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko: console programs need neither, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

echo "Windows tests under Wine ($(wine --version))"
total_run=0 total_passed=0 total_skipped=0 total_failed=0
failed_programs=()
while read -r name file; do
  [ -n "$name" ] || continue
  log="$build/$name.log"
  status=0
  timeout 900 wine "$file" >"$log" 2>&1 || status=$?
  sed -i 's/\r$//' "$log"
  ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran\..*/\1/p' "$log")
  passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log")
  skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below:/\1/p' "$log")
  failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:/\1/p' "$log")
  ran=${ran:-0} passed=${passed:-0} skipped=${skipped:-0} failed=${failed:-0}
  printf '%-24s %4d run, %4d passed, %2d skipped, %2d failed\n' "$name" "$ran" "$passed" "$skipped" "$failed"
  # Each skipped test with the reason it gives.
  awk '/: Skipped$/ { getline reason; next_reason = reason; next }
       /^\[  SKIPPED \] [^0-9].* \(/ { sub(/^\[  SKIPPED \] /, ""); sub(/ \(.*/, "");
                                      printf "    skipped %s: %s\n", $0, next_reason }' "$log"
  if [ "$status" -ne 0 ] || [ "$failed" -ne 0 ] || [ "$ran" -eq 0 ]; then
    failed_programs+=("$name")
    grep -E '^\[  FAILED  \] [^0-9]' "$log" | sed 's/^/    /' || true
    echo "    (exit status $status; whole output in $log)"
  fi
  total_run=$((total_run + ran)) total_passed=$((total_passed + passed))
  total_skipped=$((total_skipped + skipped)) total_failed=$((total_failed + failed))
done <"$build/test_programs.txt"

echo "Left out of the Windows build:"
sed '/^$/d; s/^/    /' "$build/tests_left_out.txt"
echo "Windows total: $total_run run, $total_passed passed, $total_skipped skipped, $total_failed failed" \
     "in ${#failed_programs[@]} failing program(s)"
[ "${#failed_programs[@]}" -eq 0 ] || { echo "failing: ${failed_programs[*]}"; exit 1; }

scripts/compare-windows.sh

# The Windows package: the ZIP of the analyser, its licence and README.
(cd "$build" && ctest --output-on-failure -L packaging)
