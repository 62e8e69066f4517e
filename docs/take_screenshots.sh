#!/bin/bash
# Retakes the README's screenshots from the running editor on its own Xvfb
# server, driving it with xdotool (apt-get install xdotool), at the default
# font (the window's designed 387x400). Positions are
# those of the fixed-size windows on a 1024x768 screen without a window manager.
# Usage: docs/take_screenshots.sh [build dir]
set -e
build=${1:-build}
out=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
# A display of its own, never a fixed number another server may hold.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null & xp=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" VELKOR_COM1=/dev/null/x
"$build/gui/editor/velkor" >/dev/null 2>&1 & ap=$!
sleep 2
W=318; H=174
click() { xdotool mousemove $(( W + $1 )) $(( H + $2 )) click 1; sleep 0.6; }
clickabs() { xdotool mousemove $1 $2 click 1; sleep 0.6; }
shot() { import -window root -crop $3x$4+$1+$2 "$out/$5"; }
# SL1: EL1=1 OU EA1, its threshold in use
click 148 115
shot 312 142 400 460 editor.png
# logic simulation
click 269 259
clickabs $(( 353 + 16 )) $(( 294 + 24 ))
sleep 0.5
shot 353 294 317 179 simulation-logic.png
# Fermer of the logic window (client 317x179 centred on 1024x768)
clickabs $(( (1024-317)/2 + 160 )) $(( (768-179)/2 + 152 ))
# SA1 tab
click 239 28
click 243 110
xdotool key ctrl+a; xdotool type 2500; sleep 0.3
shot 312 142 400 460 editor-sa1.png
click 269 235
clickabs $(( 353 + 32 )) $(( 294 + 24 ))
sleep 0.5
shot 353 294 318 180 simulation-analog.png
clickabs $(( (1024-318)/2 + 160 )) $(( (768-180)/2 + 152 ))
# About, from its accelerator (a click on the page title gives the window the keyboard)
click 200 60
xdotool key alt+a
sleep 0.5
shot 362 299 300 170 about.png
xdotool key x
sleep 0.3
# The Édition menu after a change, then the help
click 148 115
xdotool key alt+d
sleep 0.5
shot 312 142 400 460 editor-edit-menu.png
xdotool key Escape; sleep 0.3
xdotool key F1
sleep 1
# the help window, 560x520, centred
shot $(( (1024-560)/2 )) $(( (768-520)/2 )) 560 520 help.png
# The whole board simulated (F5 from the editor), after a few inputs set,
# time paused and a cursor put on the chart; the window is found where it opened.
xdotool search --name "^VELKOR" windowfocus; sleep 0.3
xdotool key F5
sleep 1
geometry=$(xwininfo -name "Simulation de la carte")
BX=$(awk '/Absolute upper-left X/ {print $4}' <<<"$geometry"); BY=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$geometry")
BW=$(awk '/Width:/ {print $2}' <<<"$geometry"); BH=$(awk '/Height:/ {print $2}' <<<"$geometry")
board() { xdotool mousemove $(( BX + $1 )) $(( BY + $2 )) click 1; sleep "${3:-0.3}"; }
board 30 69 1.2      # EL1
board 30 69 0.8      # EL1 off
board 135 69 0.6     # EL3, then EA2's field: the EL4-EL7 boxes, the EA1 slider and field, the EA2 slider
xdotool key Tab Tab Tab Tab Tab Tab Tab Tab ctrl+a; xdotool type 1200; xdotool key Return; sleep 0.9
board 30 69 0.7      # EL1
board 50 165 0.3     # Pause
board 200 420 0.5    # the cursor, near 3 s
shot "$BX" "$BY" "$BW" "$BH" simulation-board.png
kill $ap; wait $ap 2>/dev/null || true

# A program with its names file: its first page, its names (F2), its sheet
# (Ctrl+P) and its overview (Édition › Vue d'ensemble), each shot where it
# opened.
cp "$(dirname "$0")/../tests/programs/rich.prg" "$work/serre.prg"
cat >"$work/serre.prg.json" <<'JSON'
{"title": "Serre nord", "comment": "Arrosage et ventilation de la serre nord",
 "signals": {"EL1": {"name": "Bouton marche", "comment": "armoire, porte gauche"},
             "EL2": {"name": "Thermostat"}, "EA2": {"name": "Sonde humidité"},
             "EA3": {"name": "Thermomètre", "comment": "sous la toiture"},
             "SL1": {"name": "Pompe d'arrosage"}, "SL2": {"name": "Ventilateur"},
             "SA2": {"name": "Vanne", "comment": "cuve 2"}}}
JSON
"$build/gui/editor/velkor" "$work/serre.prg" >/dev/null 2>&1 & ap=$!
sleep 2
shotwindow() {
  local g; g=$(xwininfo -name "$1")
  shot "$(awk '/Absolute upper-left X/ {print $4}' <<<"$g")" "$(awk '/Absolute upper-left Y/ {print $4}' <<<"$g")" \
       "$(awk '/Width:/ {print $2}' <<<"$g")" "$(awk '/Height:/ {print $2}' <<<"$g")" "$2"
}
shotwindow "VELKOR - serre.prg" editor-names.png
xdotool search --name "^VELKOR" windowfocus; sleep 0.3
xdotool key F2
sleep 1
shotwindow "Noms et commentaires" names.png
xdotool search --name "^VELKOR" windowfocus; sleep 0.3
xdotool key ctrl+p
sleep 1.5
shotwindow "Fiche du programme" sheet.png
xdotool search --name "^VELKOR" windowfocus; sleep 0.3
xdotool key alt+d; sleep 0.5; xdotool key v
sleep 1
shotwindow "Vue d'ensemble" overview.png
kill $ap; kill $xp; rm -rf "$work"
