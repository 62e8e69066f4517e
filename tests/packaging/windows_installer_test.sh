#!/usr/bin/env bash
# The Windows installer and ZIP that `make windows` leaves in the build
# folder, under wine: a silent install puts the programs, the documents, the
# Start-menu entries and the "Ouvrir avec" entry in place, the installed
# velkor-cli.exe runs, the ZIP holds the same files, and the uninstaller
# takes everything away again.
# Usage: windows_installer_test.sh WINE BUILD_DIR VERSION PROGRAM_FILE   (WINEPREFIX set)
set -uo pipefail
wine=$1 build=$2 version=$3 program=$4
setup=$build/velkor-setup-$version.exe
zip=$build/velkor-$version-win64.zip
for f in "$setup" "$zip"; do
  [ -f "$f" ] || { echo "missing: $f (cpack in $build makes it; make windows runs it)"; exit 1; }
done
dir=$WINEPREFIX/drive_c/velkor-test
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VELKOR"
key='HKLM\Software\Classes\Applications\velkor.exe\shell\open\command'
files="velkor.exe velkor-cli.exe doc/guide.html doc/velkor.txt doc/velkor-cli.txt"
failures=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL: $1: expected $2, got $3"; failures=$((failures + 1)); return 1; fi
  echo "ok: $1"
}
rm -rf "$dir"

"$wine" "$setup" /S '/D=C:\velkor-test'; check "silent install" 0 $?
for f in $files Uninstall.exe; do check "installed $f" yes "$([ -f "$dir/$f" ] && echo yes)"; done
for l in VELKOR "Guide de VELKOR" "Manuel de velkor" "Manuel de velkor-cli" Uninstall; do
  check "Start-menu entry $l" yes "$([ -f "$menu/$l.lnk" ] && echo yes)"
done
check "Ouvrir avec passes the file" '"C:\velkor-test\velkor.exe" "%1"' \
  "$("$wine" reg.exe query "$key" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')"
"$wine" 'C:\velkor-test\velkor-cli.exe' show "Z:$program" >/dev/null; check "installed velkor-cli.exe runs" 0 $?

listed=$(python3 -c 'import sys, zipfile
print(" ".join(sorted(n.split("/", 1)[1] for n in zipfile.ZipFile(sys.argv[1]).namelist() if not n.endswith("/"))))' "$zip")
check "ZIP holds the programs and documents" "$(tr ' ' '\n' <<<"$files" | sort | tr '\n' ' ' | sed 's/ $//')" "$listed"

# In place (_?=), the uninstaller waits until it is done.
"$wine" 'C:\velkor-test\Uninstall.exe' /S '_?=C:\velkor-test'; check "silent uninstall" 0 $?
for f in $files; do check "removed $f" no "$([ -e "$dir/$f" ] && echo yes || echo no)"; done
check "Start-menu entries removed" no "$([ -e "$menu" ] && echo yes || echo no)"
"$wine" reg.exe query "$key" >/dev/null 2>&1; check "Ouvrir avec entry removed" 1 $?
rm -rf "$dir"
[ "$failures" -eq 0 ]
