#!/usr/bin/env bash
# velkor-cli.exe under wine, on the real Win32 serial calls, against the Linux
# velkor-board: each board's pseudo-terminal is mapped as a COM port of the
# prefix. wine's waits there are not a real port's: this checks that the
# transfers get through, not the line's timing.
# Usage: wine_transfer_test.sh WINE VELKOR_CLI_EXE VELKOR_BOARD PROGRAMS_DIR   (WINEPREFIX set)
set -uo pipefail
wine=$1 cli=$2 board=$3 programs=$4
work=$(mktemp -d)
devices=$WINEPREFIX/dosdevices
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -f "$devices/com7" "$devices/com8"; rm -rf "$work"' EXIT
failures=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL: $1: expected $2, got $3"; failures=$((failures + 1)); return 1; fi
  echo "ok: $1"
}
start_board() {  # start_board COMn [faults...]
  local port=$1; shift
  local link=$devices/$(echo "$port" | tr A-Z a-z)
  rm -f "$link"
  "$board" --link "$link" --save "$work/$port.memory" "$@" >/dev/null 2>"$work/$port.log" &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$link" ] && return; sleep 0.1; done
  echo "board on $port did not start"; exit 1
}

program=$programs/rich.prg  # thresholds, a held voltage, and a line-feed byte inside a line
start_board COM8
start_board COM7 --silent

"$wine" "$cli" upload "$program" --port COM8 2>"$work/upload.err"; check "upload" 0 $?
check "one progress line per output" 11 "$(tr -d '\r' <"$work/upload.err" | grep -c '^Envoi de S[LA][0-9] ([0-9]*/11)…$')"
"$wine" "$cli" download "$work/copy.prg" --port COM8 2>/dev/null; check "download" 0 $?
cmp -s "$program" "$work/copy.prg"; check "downloaded file is byte-identical" 0 $?
"$wine" "$cli" verify "$program" --port COM8 >"$work/verify.out" 2>/dev/null; check "verify same" 0 $?
check "verify says identical" "La carte contient le programme de l'éditeur." "$(tr -d '\r' <"$work/verify.out")"

printf 'keep me' >"$work/existing.prg"
"$wine" "$cli" download "$work/existing.prg" --port COM7 2>"$work/silent.err"; check "silent board" 1 $?
check "existing file untouched" "keep me" "$(cat "$work/existing.prg")"
grep -q "Pas de communication avec la carte" "$work/silent.err"; check "check-list message" 0 $? || cat "$work/silent.err"

# The board's memory, saved when it stops, is what was uploaded.
kill "${pids[0]}"; wait "${pids[0]}" 2>/dev/null
cmp -s "$program" "$work/COM8.memory"; check "board memory saved" 0 $?

[ "$failures" -eq 0 ]
