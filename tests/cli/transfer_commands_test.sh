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
check "one progress line per output" 11 "$(grep -c '^Envoi de S[LA][0-9] ([0-9]*/11)…$' "$work/upload.err")"
grep -q "^Envoi de SL3 (3/11)…$" "$work/upload.err"; check "... SL3 third" 0 $?
"$cli" download "$work/copy.prg" --port "$work/good" 2>/dev/null; check "download" 0 $?
cmp -s "$program" "$work/copy.prg"; check "downloaded file is byte-identical" 0 $?
"$cli" verify "$program" --port "$work/good" >"$work/verify.out" 2>/dev/null; check "verify same" 0 $?
check "verify says identical" "La carte contient le programme de l'éditeur." "$(cat "$work/verify.out")"
"$cli" verify "$other" --port "$work/good" >"$work/verify.out" 2>/dev/null; check "verify different" 1 $?
grep -Eq "^SL[1-7] : (conditions|seuil EA[1-4]|pause) — carte .+, éditeur .+$" "$work/verify.out"
check "verify names the output, the field and both values" 0 $?
"$cli" verify --json "$other" --port "$work/good" >"$work/verify.json" 2>/dev/null; check "verify --json different" 1 $?
python3 -c 'import json,sys; b=json.load(open(sys.argv[1]))["boards"][0]; assert not b["identical"] and b["differences"] and b["error"] is None' \
  "$work/verify.json"; check "... parses, with its differences" 0 $?

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

# Several boards at once: each programmed in the time of one, one result line per port.
for n in 1 2 3 4; do start_board "many$n"; done
start=$(date +%s%N)
"$cli" upload "$program" --port "$work/many1" --port "$work/many2" --port "$work/many3" --port "$work/many4" \
  >"$work/many.out" 2>"$work/many.err"; check "four boards at once" 0 $?
ms=$(( ($(date +%s%N) - start) / 1000000 ))
echo "four boards: $ms ms (one alone: 100 + 11 x 600 ms of pauses)"
[ "$ms" -lt 8500 ]; check "... in the time of one" 0 $?
check "... one result line per port" 4 "$(grep -c "^$work/many[1-4] : Enregistrement OK !" "$work/many.out")"
check "... each port's progress" 44 "$(grep -c "^$work/many[1-4] : Envoi de S[LA][0-9] ([0-9]*/11)…$" "$work/many.err")"
"$cli" verify "$program" --port "$work/many1" --port "$work/many4" >"$work/many.out" 2>/dev/null
check "verify on two boards" 0 $?
check "... each holds the program" 2 "$(grep -c "^$work/many[14] : La carte contient le programme de l'éditeur.$" "$work/many.out")"
"$cli" upload "$program" --port "$work/many1" --port "$work/silent" --port "$work/many2" >"$work/many.out" 2>/dev/null
check "a silent board among three" 1 $?
check "... the other two programmed" 2 "$(grep -c "^$work/many[12] : Enregistrement OK !" "$work/many.out")"
grep -q "^$work/silent : Pas de communication avec la carte !" "$work/many.out"; check "... the silent port named" 0 $?
"$cli" upload "$program" --port "$work/many3" --port "$work/nowhere" >"$work/many.out" 2>/dev/null
check "a port that cannot be opened among two" 4 $?
grep -q "^$work/nowhere : Port COM occupé ou inexistant !" "$work/many.out"; check "... named with its message" 0 $?

"$cli" ports --json >"$work/ports.json"; check "ports --json" 0 $?
python3 -c 'import json,sys; assert isinstance(json.load(open(sys.argv[1]))["ports"], list)' "$work/ports.json"
check "... parses" 0 $?

# The board's memory, saved when it stops, is what was uploaded last: the
# damaged file as the editor reads it.
kill "${pids[0]}"; wait "${pids[0]}" 2>/dev/null
"$cli" show "$work/good.memory" >"$work/memory.txt" 2>/dev/null; check "board memory saved" 0 $?
"$cli" show "$damaged" >"$work/damaged.txt" 2>/dev/null
cmp -s "$work/damaged.txt" "$work/memory.txt"; check "... holds the damaged file's program" 0 $?

[ "$failures" -eq 0 ]
