#!/usr/bin/env bash
# Packs the cross build's ZIP into a fresh folder and checks it: exactly the
# analyser, the licence and the README, the papers byte for byte as in the
# sources, and the program in it answers --version (under the emulator, Wine).
# Arguments: CPACK BUILD_DIR SOURCE_DIR VERSION [EMULATOR]
set -euo pipefail
cpack=$1 build=$2 source=$3 version=$4 emulator=${5:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/corvala_windows_zip_XXXXXX")
trap 'rm -rf "$work"' EXIT

(cd "$build" && "$cpack" -G ZIP -B "$work/out" >"$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }
zip="$work/out/corvala3-$version-windows-x86_64.zip"
[ -f "$zip" ] || { echo "no $zip"; ls "$work/out"; exit 1; }

names=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
expected="LICENSE.txt README.md corvala3-analyze.exe "
[ "$names" = "$expected" ] || { echo "the ZIP holds: $names; expected: $expected"; exit 1; }

mkdir "$work/unpacked"
unzip -q "$zip" -d "$work/unpacked"
cmp "$work/unpacked/LICENSE.txt" "$source/LICENSE"
cmp "$work/unpacked/README.md" "$source/README.md"

if [ -n "$emulator" ]; then
  export WINEDEBUG=-all WINEPREFIX="$work/wineprefix"
  answer=$("$emulator" "$work/unpacked/corvala3-analyze.exe" --version | tr -d '\r')
  [ "$answer" = "corvala3-analyze $version" ] || { echo "--version said: $answer"; exit 1; }
fi
echo "the ZIP holds $names"
