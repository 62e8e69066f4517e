#!/usr/bin/env bash
# velkor.exe under wine on its own Xvfb server, on wine's real X11 driver: a
# window titled "VELKOR" must appear and stay up; its picture is kept.
# Usage: wine_window_test.sh WINE VELKOR_EXE SCREENSHOT.png   (WINEPREFIX set)
# The prefix's other programs run without a display: this test runs alone
# and in a wine session of its own, ended before and after.
set -euo pipefail
wine=$1 exe=$2 shot=$3
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

start=$(date +%s%N)
"$wine" "$exe" >"$workdir/log" 2>&1 &
app=$!
window=""
# A first start of the prefix on a display takes a few seconds.
while [ $(( ($(date +%s%N) - start) / 1000000 )) -lt 30000 ]; do
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"VELKOR"/ {print $1; exit}')
  [ -n "$window" ] && break
  sleep 0.1
done
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ -n "$window" ] || { echo "no VELKOR window after ${elapsed} ms"; cat "$workdir/log"; exit 1; }
echo "window shown after ${elapsed} ms"

sleep 2
kill -0 "$app" || { echo "velkor.exe did not stay up"; cat "$workdir/log"; exit 1; }
xwininfo -id "$window" | grep -E "Width|Height"
import -window "$window" "$shot"
echo "screenshot: $shot"
