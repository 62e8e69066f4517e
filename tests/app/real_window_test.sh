#!/usr/bin/env bash
# Starts the editor on its own Xvfb server, as a user would see it: a window
# titled "VELKOR" must appear within 3 s, stay up, and use under 150 MB.
# Usage: real_window_test.sh VELKOR_BINARY [SCREENSHOT.png]
set -euo pipefail
binary=$1
shot=${2:-}
workdir=$(mktemp -d)
trap 'kill $app $xvfb 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$workdir"' EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$workdir/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$workdir/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$workdir/display")"
export XDG_RUNTIME_DIR=$workdir

start=$(date +%s%N)
"$binary" >"$workdir/log" 2>&1 &
app=$!
found=""
while [ $(( ($(date +%s%N) - start) / 1000000 )) -lt 3000 ]; do
  if xwininfo -root -tree 2>/dev/null | grep -q '"VELKOR"'; then found=yes; break; fi
  sleep 0.05
done
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ -n "$found" ] || { echo "no VELKOR window after ${elapsed} ms"; cat "$workdir/log"; exit 1; }
echo "window shown after ${elapsed} ms"

sleep 2
kill -0 $app || { echo "the editor did not stay up"; cat "$workdir/log"; exit 1; }
rss_kb=$(awk '/VmRSS/ {print $2}' /proc/$app/status)
echo "resident memory: $((rss_kb / 1024)) MB"
[ "$rss_kb" -lt $((150 * 1024)) ] || { echo "over 150 MB"; exit 1; }
if [ -n "$shot" ]; then import -window root -crop 400x460+312+142 "$shot"; fi
