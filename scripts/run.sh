#!/usr/bin/env bash
# Sets everything up, builds and starts the station. The built-in device
# simulator stands in for the device only when nothing could hold one (see
# device_choice.sh); the terminal says so, and how to use the device instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
source scripts/device_choice.sh
args=("$@")
if [[ $(corvala_device_choice "$@") == simulate ]]; then
  args+=(--simulate)
fi
exec build/src/app/corvala3 "${args[@]}"
