#!/usr/bin/env bash
# velkor-cli upload / download / verify against velkor-board on a pseudo-terminal.
# Usage: transfer_commands_test.sh VELKOR_CLI VELKOR_BOARD CORPUS_DIR
set -uo pipefail
cli=$1 board=$2 corpus=$3
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
failures=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL: $1: expected $2, got $3"; failures=$((failures + 1)); else echo "ok: $1"; fi
}
start_board() {  # start_board NAME [faults...]
  local name=$1; shift
  "$board" --link "$work/$name" --save "$work/$name.memory" "$@" >/dev/null 2>"$work/$name.log" &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$work/$name" ] && return; sleep 0.1; done
  echo "board $name did not start"; exit 1
}

program=$corpus/rich  # thresholds, a held voltage, and a line-feed byte (EA3) inside a line
other=$corpus/prog1

start_board good
start_board silent --silent
start_board empty --no-program
# Line feeds that come late, but within the wait: the download is the board's program.
start_board late_lf --program "$program" --pieces 47:550
start_board cut --hang-up-after 4

"$cli" upload "$program" --port "$work/good" 2>"$work/upload.err"; check "upload" 0 $?
check "one progress line per output" 11 "$(grep -c '^S[LA][0-9]' "$work/upload.err")"
"$cli" download "$work/copy.prg" --port "$work/good" 2>/dev/null; check "download" 0 $?
cmp -s "$program" "$work/copy.prg"; check "downloaded file is byte-identical" 0 $?
"$cli" verify "$program" --port "$work/good" >"$work/verify.out" 2>/dev/null; check "verify same" 0 $?
check "verify says identical" identique "$(cat "$work/verify.out")"
"$cli" verify "$other" --port "$work/good" >"$work/verify.out" 2>/dev/null; check "verify different" 1 $?
grep -q "diffère" "$work/verify.out"; check "verify lists the outputs that differ" 0 $?

printf 'keep me' >"$work/existing.prg"
"$cli" download "$work/existing.prg" --port "$work/silent" 2>"$work/silent.err"; check "silent board" 1 $?
check "existing file untouched" "keep me" "$(cat "$work/existing.prg")"
grep -q "Pas de communication avec la carte" "$work/silent.err"; check "check-list message" 0 $?
"$cli" download "$work/new.prg" --port "$work/empty" 2>"$work/empty.err"; check "board without program" 1 $?
[ -e "$work/new.prg" ]; check "no file created" 1 $?
grep -q "Il n'y a pas de programme en mémoire" "$work/empty.err"; check "no-program message" 0 $?

"$cli" download "$work/late_lf.prg" --port "$work/late_lf" 2>/dev/null; check "line feed 550 ms late" 0 $?
cmp -s "$program" "$work/late_lf.prg"; check "... gives the board's program" 0 $?

"$cli" upload "$program" --port "$work/cut" 2>"$work/cut.err"; check "upload cut after four lines" 1 $?
grep -Eq "^SL1 à SL[34] ont été enregistrées ; SL[45] l'a peut-être été ; SL[56] à SA4 ne l'ont pas été" "$work/cut.err"
check "... says what the board holds" 0 $?

damaged=$work/damaged.prg  # SL1's first link unreadable
{ head -c 1 "$program"; printf 'x'; tail -c +3 "$program"; } >"$damaged"
"$cli" upload "$damaged" --port "$work/good" 2>"$work/damaged.err"; check "upload of a damaged file" 5 $?
grep -q "^SL1 : lien 1 illisible" "$work/damaged.err"; check "... names the damaged output" 0 $?
"$cli" verify "$damaged" --port "$work/good" >/dev/null 2>&1; check "verify of a damaged file, identical" 5 $?

"$cli" upload "$program" --port "$work/nowhere" 2>"$work/port.err"; check "missing port" 4 $?
grep -q "Port COM occupé ou inexistant" "$work/port.err"; check "port message" 0 $?
grep -q "/nowhere : fichier ou périphérique introuvable" "$work/port.err"; check "... names the device" 0 $?
printf 'not a program\r\n' >"$work/bad.prg"
"$cli" upload "$work/bad.prg" --port "$work/good" 2>/dev/null; check "refused file" 3 $?
"$cli" upload "$program" 2>/dev/null; check "usage" 2 $?

# The board's memory, saved when it stops, is what was uploaded last: the
# damaged file as the editor reads it.
kill "${pids[0]}"; wait "${pids[0]}" 2>/dev/null
"$cli" show "$work/good.memory" >"$work/memory.txt" 2>/dev/null; check "board memory saved" 0 $?
"$cli" show "$damaged" >"$work/damaged.txt" 2>/dev/null
cmp -s "$work/damaged.txt" "$work/memory.txt"; check "... holds the damaged file's program" 0 $?

[ "$failures" -eq 0 ]
