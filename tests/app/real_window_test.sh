#!/usr/bin/env bash
# Starts the editor on its own Xvfb server, as a user would see it: a window
# titled "VELKOR" must appear within 3 s, stay up, and use under 150 MB.
# Then, with a program file given on the command line, the keyboard as a
# user types it: the caption names the file, Tab then Space marks it "*",
# Ctrl+Z takes the mark away, Ctrl+Q ends the unchanged program.
# Usage: real_window_test.sh VELKOR_BINARY PROGRAM_FILE [SCREENSHOT.png]
set -euo pipefail
binary=$1
program=$2
shot=${3:-}
workdir=$(mktemp -d)
trap 'kill $app $xvfb 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$workdir"' EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$workdir/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$workdir/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$workdir/display")"
export XDG_RUNTIME_DIR=$workdir XDG_CONFIG_HOME=$workdir

# wait_for_caption CAPTION MS: true once a window bears exactly that caption.
wait_for_caption() {
  local t0
  t0=$(date +%s%N)
  while [ $(( ($(date +%s%N) - t0) / 1000000 )) -lt "$2" ]; do
    xwininfo -root -tree 2>/dev/null | grep -qF "\"$1\":" && return 0
    sleep 0.05
  done
  echo "no window \"$1\" after $2 ms; windows:"; xwininfo -root -tree | grep -F '"VELKOR' || true
  return 1
}

start=$(date +%s%N)
"$binary" >"$workdir/log" 2>&1 &
app=$!
wait_for_caption VELKOR 3000 || { cat "$workdir/log"; exit 1; }
echo "window shown after $(( ($(date +%s%N) - start) / 1000000 )) ms"

sleep 2
kill -0 $app || { echo "the editor did not stay up"; cat "$workdir/log"; exit 1; }
rss_kb=$(awk '/VmRSS/ {print $2}' /proc/$app/status)
echo "resident memory: $((rss_kb / 1024)) MB"
[ "$rss_kb" -lt $((150 * 1024)) ] || { echo "over 150 MB"; exit 1; }
if [ -n "$shot" ]; then import -window root -crop 400x460+312+142 "$shot"; fi
kill $app; wait $app 2>/dev/null || true

cp "$program" "$workdir/atelier.prg"
"$binary" "$workdir/atelier.prg" >"$workdir/log" 2>&1 &
app=$!
wait_for_caption "VELKOR - atelier.prg" 3000
xdotool key Tab; sleep 0.2; xdotool key space
wait_for_caption "VELKOR - atelier.prg*" 2000
xdotool key ctrl+z
wait_for_caption "VELKOR - atelier.prg" 2000
xdotool key ctrl+q
for _ in $(seq 40); do kill -0 $app 2>/dev/null || break; sleep 0.05; done
if kill -0 $app 2>/dev/null; then echo "Ctrl+Q did not end the unchanged program"; exit 1; fi
echo "file in the caption, marked and unmarked from the keyboard, Ctrl+Q quits"
