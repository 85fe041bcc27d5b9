#!/usr/bin/env bash
# Sets everything up, builds and starts the station. Without a USB serial adapter
# and without a --port option, the built-in device simulator stands in for the device.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
args=("$@")
if [[ " ${args[*]-} " != *" --port "* ]] && ! ls /dev/ttyUSB* /dev/ttyACM* >/dev/null 2>&1; then
  args+=(--simulate)
fi
exec build/src/app/corvala3 "${args[@]}"
