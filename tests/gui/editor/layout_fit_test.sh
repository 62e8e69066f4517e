#!/usr/bin/env bash
# Runs the layout test on a real X server of its own, once for each font and
# DPI a user may have: the default, 120 and 144 dpi as the desktop sets them
# (Xft.dpi), 144 dpi without Qt's own scaling, a 13 pt desktop font read
# by Qt's GTK platform theme, and a 1366x768 laptop screen (SCREEN=).
# Usage: layout_fit_test.sh LAYOUT_FIT_TEST_BINARY
set -euo pipefail
binary=$1
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/gtk/gtk-3.0"
printf '[Settings]\ngtk-font-name=DejaVu Sans 13\n' >"$work/gtk/gtk-3.0/settings.ini"

failed=0
row() {  # row NAME XFT_DPI VAR=VALUE...
  local name=$1 dpi=$2 xvfb display
  shift 2
  Xvfb -displayfd 3 -screen 0 "${SCREEN:-1280x1024}x24" -dpi "${dpi:-96}" -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  display=":$(cat "$work/display")"
  : >"$work/display"
  # The desktop's DPI, as desktops and xrdb publish it.
  [ -z "$dpi" ] || DISPLAY=$display xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	$dpi"
  echo "== $name"
  if ! env -u QT_QPA_PLATFORMTHEME -u QT_FONT_DPI -u QT_SCALE_FACTOR DISPLAY="$display" QT_QPA_PLATFORM=xcb \
      HOME="$work" XDG_CONFIG_HOME="$work/empty" XDG_RUNTIME_DIR="$work" "$@" "$binary" -maxwarnings 0; then
    echo "FAILED: $name"
    failed=1
  fi
  kill $xvfb; wait $xvfb 2>/dev/null || true
}

row "96 dpi, default font" "" VELKOR_EXACT_CLIENT=1 VELKOR_MIN_WIDTH=380 VELKOR_BESIDE=1
SCREEN=1366x768 row "96 dpi, 1366x768" "" VELKOR_EXACT_CLIENT=1 VELKOR_MIN_WIDTH=380 VELKOR_BESIDE=1
row "120 dpi" 120 VELKOR_MIN_WIDTH=470
row "144 dpi" 144 VELKOR_MIN_WIDTH=500
row "144 dpi, no Qt scaling" 144 QT_ENABLE_HIGHDPI_SCALING=0 VELKOR_MIN_WIDTH=500
row "13 pt desktop font" "" QT_QPA_PLATFORMTHEME=gtk3 XDG_CONFIG_HOME="$work/gtk" VELKOR_EXPECT_FONT="DejaVu Sans 13" \
  VELKOR_MIN_WIDTH=470
exit $failed
