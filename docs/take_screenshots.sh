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
"$build/app/velkor" >/dev/null 2>&1 & ap=$!
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
kill $ap; kill $xp; rm -rf "$work"
