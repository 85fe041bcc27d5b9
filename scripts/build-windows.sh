#!/usr/bin/env bash
# Cross-builds for 64-bit Windows with Debian's MinGW-w64 compiler into
# build-windows/: the libraries below the window, corvala3-analyze.exe and the
# tests (GoogleTest built from its source for the target). Left out: everything
# that needs Qt (the window, the chart, the report, the serial link), the workbook
# writers (Debian ships no SQLite, libgsf or libxlsxwriter for the target) and the
# device simulator (it needs a POSIX pseudo-terminal).
# Extra arguments go to the CMake configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "${CORVALA_SKIP_SETUP:-}" = 1 ] || scripts/setup.sh
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake "${launcher[@]}" \
  -DCORVALA_QT=OFF -DCORVALA_BUILD_UI=OFF -DCORVALA_WORKBOOKS=OFF -DCORVALA_DEVSIM=OFF \
  -DCORVALA_BUILD_BENCH=OFF -DCORVALA_HARDENING=OFF "$@" >/dev/null
cmake --build build-windows -j "$(nproc)"
