#!/usr/bin/env bash
# Sets everything up, builds and runs every test; then builds the threaded tests
# with ThreadSanitizer and runs them again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j "$(nproc)" --timeout 300)

# ThreadSanitizer: the tests of the code that three threads share.
tsan_targets=(run_tests device_tests devsim_tests)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVALA_TSAN=ON \
  -DCORVALA_BUILD_UI=OFF -DCORVALA_BUILD_BENCH=OFF >/dev/null
present=()
for t in "${tsan_targets[@]}"; do
  cmake --build build-tsan --target help | grep -q "^$t:" && present+=("$t")
done
if [ "${#present[@]}" -gt 0 ]; then
  cmake --build build-tsan -j "$(nproc)" --target "${present[@]}"
  export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
  pattern=$(IFS='|'; echo "${present[*]}")
  (cd build-tsan && ctest --output-on-failure -j "$(nproc)" --timeout 600 -R "^(${pattern})\.")
fi
