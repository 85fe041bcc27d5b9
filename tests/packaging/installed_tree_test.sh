#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what is found there: the
# three programs answer --help, the desktop entry is valid and names a program
# and an icon that were installed, and each program's manual page describes
# every option its --help lists.
# Usage: installed_tree_test.sh CMAKE BUILD_DIR [ICON_SIZE...]
set -uo pipefail

cmake=$1
build=$(cd "$2" && pwd)
shift 2
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
  fact "$p loads no library from the build tree" \
    bash -c '! readelf -d "$1" | grep -E "R(UN)?PATH" | grep -qF "$2"' _ "$exe" "$build"
done

echo "== manual pages"
for p in "${programs[@]}"; do
  page=$prefix/share/man/man1/$p.1
  fact "$p.1 is installed" test -f "$page"
  fact "$p.1 is the page of $p" grep -q "^\.TH ${p^^} 1 " "$page"
  # Every long option --help lists, written as roff writes it ("\-\-data\-dir").
  for option in $(grep -oE -- '--[a-z][a-z-]*' "$work/$p.help" | sort -u); do
    fact "$p.1 describes $option" grep -qF -- "${option//-/\\-}" "$page"
  done
done

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
