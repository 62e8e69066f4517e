#!/bin/sh
# Runs a Windows program under wine64 (the tests' emulator in the MinGW build).
# The wineserver, when the program has to start it, would inherit the
# program's output and keep CTest waiting until the server quits: start it
# here first, detached, staying 5 s after its last client.
for wine in /usr/lib/wine/wine64 "$(command -v wine64)"; do
  [ -x "$wine" ] && break
done
[ -x "$wine" ] || { echo "wine-run.sh: wine64 not found" >&2; exit 127; }
server=$(dirname "$wine")/wineserver
[ -x "$server" ] || server=wineserver
"$server" -p5 </dev/null >/dev/null 2>&1  # returns at once; nothing to do if one runs
exec "$wine" "$@"
