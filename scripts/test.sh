#!/usr/bin/env bash
# Sets everything up, builds and runs every test; then builds the threaded tests
# with ThreadSanitizer and runs them again; then runs each fuzz target briefly.
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

# Each fuzz target briefly.
scripts/fuzz.sh 10
