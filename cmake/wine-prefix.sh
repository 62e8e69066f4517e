#!/bin/sh
# Creates the test wine prefix ($WINEPREFIX) with COM1-COM4 pointing to paths
# that cannot exist: wine maps COM1 to /dev/ttyS0, this machine's console,
# and the editor's tests open COM1-COM4 by name. The registry entries keep
# the mapping at every later start of the prefix; the links are set at once.
# Usage: wine-prefix.sh WINE_RUN PORT_PREFIX   (a port is PORT_PREFIX + n)
set -eu
run=$1 port_prefix=$2
"$run" wineboot.exe --init
reg=$WINEPREFIX/velkor-ports.reg
{
  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
  for n in 1 2 3 4; do printf '"COM%s"="%s%s"\r\n' "$n" "$port_prefix" "$n"; done
} >"$reg"
"$run" regedit.exe /S 'Z:'"$(echo "$reg" | tr / '\\')"
for n in 1 2 3 4; do
  ln -sfn "$port_prefix$n" "$WINEPREFIX/dosdevices/com$n"
done
# Wine draws Windows' dialog font ("MS Shell Dlg") with its own Tahoma, which
# a prefix does not find by itself here: without it the text falls back to a
# thin serif that reads as greyed out.
for font in /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
  [ -e "$font" ] && cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
done

