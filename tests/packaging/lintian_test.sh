#!/usr/bin/env bash
# Packs the build into a Debian package in a fresh folder and checks it with
# lintian: no error and no warning, and the hardening of each program.
# Usage: lintian_test.sh BUILD_DIR
set -uo pipefail

build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/corvala3-lintian.XXXXXX")
trap 'rm -rf "$work"' EXIT

if ! command -v lintian >/dev/null; then
  echo "FAILED  lintian is not installed (scripts/setup.sh installs it)"
  exit 1
fi
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1; then
  echo "FAILED  cpack:"
  cat "$work/cpack.log"
  exit 1
fi
deb=$(ls "$work"/corvala3_*.deb)
lintian --fail-on error,warning --display-level ">=info" "$deb" 2>&1 |
  grep -v "running with root privileges" | tee "$work/lintian.log"
status=${PIPESTATUS[0]}
echo "lintian exit status: $status"
failures=0
[ "$status" -eq 0 ] || failures=$((failures + 1))
# The hardening checks report at the info level.
if grep -E "hardening-no-(relro|bindnow|fortify-functions|pie)|no-copyright-file|changelog-file-missing|uncompressed-manual-page" "$work/lintian.log"; then
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] || exit 1
