#!/usr/bin/env bash
# Sets everything up, builds and runs every test; then builds the threaded tests
# with ThreadSanitizer and runs them again; then builds every test with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs them all once more;
# then runs each fuzz target briefly; then cross-builds for Windows and runs
# those tests under Wine (scripts/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j "$(nproc)" --timeout 300)

# ThreadSanitizer: the tests of the code that three threads share, the window
# with both worker threads running among them.
tsan_targets=(run_tests device_tests devsim_tests window_tests)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVALA_TSAN=ON \
  -DCORVALA_BUILD_UI=ON -DCORVALA_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$(nproc)" --target "${tsan_targets[@]}"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/sanitizers/tsan.supp"
pattern=$(IFS='|'; echo "${tsan_targets[*]}")
(cd build-tsan && ctest --output-on-failure -j "$(nproc)" --timeout 600 -R "^(${pattern})\.")

# AddressSanitizer + UndefinedBehaviorSanitizer: every test, with leak checks.
# The suppressions cover leaks inside system libraries only.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVALA_ASAN=ON \
  -DCORVALA_BUILD_UI=ON -DCORVALA_BUILD_BENCH=OFF >/dev/null
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/sanitizers/lsan.supp:print_suppressions=0"
cmake --build build-asan -j "$(nproc)"
(cd build-asan && ctest --output-on-failure -j "$(nproc)" --timeout 600)

# Each fuzz target briefly, with the sanitizer options it sets itself.
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
scripts/fuzz.sh 10

# Windows: the cross build (MinGW-w64) and its tests under Wine, then its
# analyser output and written files compared byte for byte with build/'s.
scripts/build-windows.sh
scripts/test-windows.sh
