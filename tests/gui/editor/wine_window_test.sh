#!/usr/bin/env bash
# velkor.exe under wine on its own Xvfb server, on wine's real X11 driver: a
# window titled "VELKOR" must appear and stay up; started with a program
# file, the window names the file, its enabled fields' text is dark, and its
# picture is kept.
# Usage: wine_window_test.sh WINE VELKOR_EXE PROGRAM_FILE SCREENSHOT.png   (WINEPREFIX set)
# The prefix's other programs run without a display: this test runs alone
# and in a wine session of its own, ended before and after.
set -euo pipefail
wine=$1 exe=$2 program=$3 shot=$4
server=/usr/lib/wine/wineserver
[ -x "$server" ] || server=wineserver
workdir=$(mktemp -d)
cleanup() {
  kill "$app" "$xvfb" 2>/dev/null || true
  "$server" -k 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$workdir"
}
app="" xvfb=""
trap cleanup EXIT
"$server" -k 2>/dev/null || true
"$server" -w

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$workdir/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$workdir/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$workdir/display")"

start_editor() {  # start_editor CAPTION [ARGUMENT]: starts it, waits for its window
  if [ -n "$app" ]; then kill "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true; fi
  local caption=$1 start elapsed
  shift
  start=$(date +%s%N)
  "$wine" "$exe" "$@" >"$workdir/log" 2>&1 &
  app=$!
  window=""
  # A first start of the prefix on a display takes a few seconds.
  while [ $(( ($(date +%s%N) - start) / 1000000 )) -lt 30000 ]; do
    window=$(xwininfo -root -tree 2>/dev/null | awk -v c="\"$caption\"" 'index($0, c) {print $1; exit}')
    [ -n "$window" ] && break
    sleep 0.1
  done
  elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
  [ -n "$window" ] || { echo "no window \"$caption\" after ${elapsed} ms"; cat "$workdir/log"; exit 1; }
  echo "window \"$caption\" shown after ${elapsed} ms"
}

start_editor VELKOR
sleep 2
kill -0 "$app" || { echo "velkor.exe did not stay up"; cat "$workdir/log"; exit 1; }
xwininfo -id "$window" | grep -E "Width|Height"

start_editor "VELKOR - $(basename "$program")" "Z:$program"
sleep 1
import -window "$window" "$shot"
echo "screenshot: $shot"

# The pause field's text, counted from the window's lower left corner, is
# drawn as dark as a label's: a missing dialog font once made it look disabled.
darkest=$(convert "$shot" -gravity SouthWest -crop 56x16+24+27 +repage -colorspace gray \
  -format '%[fx:round(minima.intensity*255)]' info:)
echo "darkest pixel of the pause field's text: $darkest"
[ "$darkest" -lt 64 ] || { echo "the pause field's text is drawn grey, as if disabled"; exit 1; }
