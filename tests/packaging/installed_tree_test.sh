#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what is found there: the
# three programs answer --help and --version and name an option they do not
# know, the desktop entry is valid and names a program and an icon that were
# installed, each program's manual page is compressed and describes every
# option its --help lists, the station's files are named alike in its --help
# and its page, and the licence and changelog are in the doc folder.
# Usage: installed_tree_test.sh CMAKE BUILD_DIR VERSION [ICON_SIZE...]
set -uo pipefail

cmake=$1
build=$(cd "$2" && pwd)
version=$3
shift 3
icon_sizes=("$@")
programs=(corvala3 corvala3-devsim corvala3-analyze)

work=$(mktemp -d "${TMPDIR:-/tmp}/corvala3-installed-tree.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

failures=0
fact() {  # fact DESCRIPTION COMMAND...: one checked fact; COMMAND's output is shown when it fails
  local what=$1 output
  shift
  if output=$("$@" 2>&1); then
    echo "ok      $what"
  else
    echo "FAILED  $what"
    [ -z "$output" ] || sed 's/^/        /' <<<"$output"
    failures=$((failures + 1))
  fi
}

if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  echo "FAILED  cmake --install $build --prefix $prefix:"
  cat "$work/install.log"
  exit 1
fi

echo "== programs"
for p in "${programs[@]}"; do
  exe=$prefix/bin/$p
  fact "$p is installed and executable" test -x "$exe"
  "$exe" --help >"$work/$p.help" 2>"$work/$p.help-err"
  status=$?
  fact "$p --help exits with 0" test "$status" -eq 0
  fact "$p --help prints its usage on standard output" grep -qi "^usage: $p " "$work/$p.help"
  fact "$p --help writes nothing to standard error" test ! -s "$work/$p.help-err"
  "$exe" --version >"$work/$p.version" 2>&1
  fact "$p --version exits with 0" test $? -eq 0
  fact "$p --version says \"$p $version\"" test "$(cat "$work/$p.version")" = "$p $version"
  "$exe" --bogus >/dev/null 2>"$work/$p.bogus"
  fact "$p --bogus exits with 2" test $? -eq 2
  fact "$p --bogus names the option it does not know" grep -qF -- "--bogus" "$work/$p.bogus"
  fact "$p loads no library from the build tree" \
    bash -c '! readelf -d "$1" | grep -E "R(UN)?PATH" | grep -qF "$2"' _ "$exe" "$build"
done

echo "== manual pages"
for p in "${programs[@]}"; do
  fact "$p.1 is installed compressed" test -f "$prefix/share/man/man1/$p.1.gz"
  fact "$p.1 is not installed uncompressed" test ! -e "$prefix/share/man/man1/$p.1"
  page=$work/$p.1
  gzip -dc "$prefix/share/man/man1/$p.1.gz" >"$page" 2>/dev/null
  fact "$p.1.gz is compressed without a name or time stamp" \
    test "$(od -An -tu1 -j3 -N5 "$prefix/share/man/man1/$p.1.gz" | tr -s ' ')" = " 0 0 0 0 0"
  fact "$p.1 is the page of $p" grep -q "^\.TH ${p^^} 1 " "$page"
  # Every long option --help lists, written as roff writes it ("\-\-data\-dir").
  for option in $(grep -oE -- '--[a-z][a-z-]*' "$work/$p.help" | sort -u); do
    fact "$p.1 describes $option" grep -qF -- "${option//-/\\-}" "$page"
  done
done

echo "== the station's files"
# Every file the station keeps in its data folder, in its --help and under FILES.
sed -n '/^\.SH FILES/,/^\.SH [^F]/p' "$work/corvala3.1" >"$work/files-section"
for file in Corvala.ini auswertung.tmp Ports.ini Rates.ini Kammer1.journal Kammer3.journal Corvala3.lock .tmp; do
  fact "corvala3 --help names $file" grep -qF -- "$file" "$work/corvala3.help"
  fact "corvala3.1 names $file under FILES" grep -qF -- "${file//-/\\-}" "$work/files-section"
done
fact "corvala3 --help names the data folder of an installed program" \
  grep -qF "~/.config/Corvala3" "$work/corvala3.help"
fact "corvala3.1 names the data folder of an installed program" \
  grep -qF "~/.config/Corvala3" "$work/files-section"

echo "== licence and changelog"
doc=$prefix/share/doc/corvala3
fact "the copyright file is installed" test -f "$doc/copyright"
fact "the copyright file is machine-readable" \
  grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$doc/copyright"
fact "the copyright file names the GPL version 3 or later" grep -qx "License: GPL-3+" "$doc/copyright"
fact "the changelog is installed compressed" test -f "$doc/changelog.Debian.gz"
fact "the changelog's latest entry is this version" \
  bash -c 'gzip -dc "$1" | head -1 | grep -qF "corvala3 ($2-"' _ "$doc/changelog.Debian.gz" "$version"
fact "the repository holds the licence's full text" \
  grep -q "GNU GENERAL PUBLIC LICENSE" "$(dirname "$0")/../../LICENSE"

echo "== desktop entry and icons"
desktop=$prefix/share/applications/corvala3.desktop
fact "corvala3.desktop is installed" test -f "$desktop"
fact "desktop-file-validate is there to check it (scripts/setup.sh installs it)" \
  command -v desktop-file-validate
fact "corvala3.desktop passes desktop-file-validate" desktop-file-validate "$desktop"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
fact "the entry starts an installed program ($exec_program)" test -x "$prefix/bin/$exec_program"
fact "the entry's icon ($icon_name) is installed as a scalable icon" \
  test -s "$prefix/share/icons/hicolor/scalable/apps/$icon_name.svg"

png_size() {  # width x height from a PNG's header
  local bytes
  read -ra bytes < <(od -An -tu1 -j16 -N8 "$1")
  echo "$(((bytes[0] << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3]))x$(((bytes[4] << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7]))"
}
for size in "${icon_sizes[@]}"; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$icon_name.png
  fact "the ${size}x${size} icon is installed" test -f "$png"
  fact "the ${size}x${size} icon has that size" test "$(png_size "$png" 2>/dev/null)" = "${size}x${size}"
done

if [ "$failures" -gt 0 ]; then
  echo "$failures failed"
  exit 1
fi
