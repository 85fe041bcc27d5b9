#!/usr/bin/env bash
# Remakes docs/measurement-view.png: starts the station with the device simulator
# under a virtual display, starts chambers I and III with a short program and
# takes a screenshot of the measurement view while the value lists fill.
# Usage: scripts/screenshot.sh [OUTPUT.png] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/measurement-view.png}")
seconds=${2:-25}
scripts/build.sh >/dev/null
mkdir -p "$(dirname "$out")"
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
# One-second samples; light on for chambers I and III at 00:00:08, end at 00:05:00.
printf '%s\r\n' Messabstand=1 AnzProg=2 \
  Stunde0000=0 Minute0000=0 Sekunde0000=8 Kammer1-0000=1 Kammer2-0000=0 Kammer3-0000=1 Licht0000=1 Ende0000=0 \
  Stunde0001=0 Minute0001=5 Sekunde0001=0 Kammer1-0001=1 Kammer2-0001=0 Kammer3-0001=1 Licht0001=0 Ende0001=1 \
  >"$data/Corvala.ini"

export CORVALA_APP=$PWD/build/src/app/corvala3 CORVALA_DATA=$data CORVALA_OUT=$out CORVALA_SECONDS=$seconds
xvfb-run -a -s "-screen 0 1024x700x24" bash -c '
  "$CORVALA_APP" --simulate --data-dir "$CORVALA_DATA" 2>/dev/null &
  app=$!
  for _ in $(seq 50); do
    win=$(xdotool search --name "^Corvala3" 2>/dev/null | head -1) && [ -n "$win" ] && break
    sleep 0.2
  done
  xdotool windowmove "$win" 0 0
  sleep 1
  # Pixel centres of the controls (dialog units x 6/4, y x 13/8):
  # chamber I (279,0,31,28), chamber III (359,0,31,28), Start (31,120,50,14),
  # with dialog units of 6 x 13 pixels.
  click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 0.3; }
  click 441 23
  click 561 23
  click 84 206
  sleep "$CORVALA_SECONDS"
  import -window root "$CORVALA_OUT"
  kill -TERM "$app"; wait "$app" || true
'
echo "wrote $out"
