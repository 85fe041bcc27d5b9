#!/usr/bin/env bash
# Compares the Windows build (build-windows/, run with Wine) with the Linux build
# (build/) byte for byte:
#  - corvala3-analyze --csv and --rates --csv on every file of tests/data, each
#    file alone (standard output and exit status), and the rates of one range
#    with a blank, volume and amount;
#  - the measurement files, the analysis file and the settings file that
#    files_writer writes from the same fixtures.
# Run by scripts/test-windows.sh; needs both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
linux=build win=build-windows
export WINEPREFIX="$PWD/$win/wineprefix" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# Wine passes the arguments on in the terminal's character set: UTF-8.
export LC_ALL=C.UTF-8
[ -x "$linux/src/tools/corvala3-analyze" ] && [ -x "$linux/tests/tools/files_writer" ] ||
  cmake --build "$linux" --target corvala3-analyze files_writer >/dev/null

out="$win/compare"
rm -rf "$out"
mkdir -p "$out/linux" "$out/windows"
differ=0

# One analyser call in both builds; the same bytes and exit status or a report.
compare_analyze() {
  local linux_status=0 windows_status=0
  "$linux/src/tools/corvala3-analyze" "$@" >"$out/linux.txt" 2>/dev/null || linux_status=$?
  wine "$win/src/tools/corvala3-analyze.exe" "$@" >"$out/windows.txt" 2>/dev/null || windows_status=$?
  if ! cmp -s "$out/linux.txt" "$out/windows.txt" || [ "$linux_status" -ne "$windows_status" ]; then
    echo "differs: corvala3-analyze $* (exit status $linux_status on Linux, $windows_status on Windows)"
    diff "$out/linux.txt" "$out/windows.txt" | head -n 10 || true
    differ=$((differ + 1))
  fi
  [ "$linux_status" -eq 0 ]
}

files=0 read=0 calls=0
while IFS= read -r file; do
  files=$((files + 1))
  compare_analyze --csv "$file" && read=$((read + 1)) || true
  compare_analyze --rates --csv "$file" || true
  calls=$((calls + 2))
done < <(find tests/data -type f | LC_ALL=C sort)
data=tests/data/rates
compare_analyze --rates --csv --range 0:495 --blank "$data/blank.cv3" --volume-ml 250 --amount 2.5 \
  "$data/noisy.cv3" "$data/gap.cv3" || true
compare_analyze --csv --chamber 3 --correction 60 tests/data/measurement.cv3 tests/data/measurement_mgl.cv3 || true
compare_analyze tests/data/measurement.cv3 tests/data/measurement_simulated.cv3 || true
# A file name beyond ASCII (UTF-8 here, wide on Windows) is read and named alike.
wide="$out/Atmung Kammer 2 – Bäume.cv3"
cp tests/data/measurement.cv3 "$wide"
compare_analyze --csv "$wide" || echo "not read: $wide"
calls=$((calls + 4))
echo "corvala3-analyze: $calls calls on $files files of tests/data ($read read as measurements)," \
     "$((calls - differ)) with the same bytes on Windows and Linux"

# The files each build writes from the same fixtures.
measurements=(tests/data/measurement.cv3 tests/data/measurement_lf.cv3 tests/data/measurement_mgl.cv3
              tests/data/measurement_simulated.cv3 tests/data/short_rows.cv3 "$data"/*.cv3 "$wide")
"$linux/tests/tools/files_writer" "$out/linux" tests/data/settings_three_rows.ini "${measurements[@]}"
wine "$win/tests/tools/files_writer.exe" "$out/windows" tests/data/settings_three_rows.ini "${measurements[@]}"
written=0
for file in "$out"/linux/*; do
  name=$(basename "$file")
  written=$((written + 1))
  if ! cmp -s "$file" "$out/windows/$name"; then
    echo "differs: $name written by Windows and Linux"
    differ=$((differ + 1))
  fi
done
echo "files written: $written, Windows and Linux compared byte for byte:"
(cd "$out/linux" && ls | sed 's/^/    /')
if [ "$differ" -ne 0 ]; then
  echo "compare-windows: $differ difference(s)"
  exit 1
fi
echo "compare-windows: no differences"
