#!/usr/bin/env bash
# velkor-cli upload / download / verify against velkor-board on pseudo-terminals.
# Usage: transfer_commands_test.sh VELKOR_CLI VELKOR_BOARD PROGRAMS_DIR
#
# The transfers mostly wait out the protocol's pauses, so the groups below,
# each with boards of its own, run side by side; every check is still made.
set -uo pipefail
cli=$1 board=$2 programs=$3
work=$(mktemp -d)
declare -A pid_of
trap 'kill "${pid_of[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL: $1: expected $2, got $3"; else echo "ok: $1"; fi
}
start_board() {  # start_board NAME [faults...]
  local name=$1; shift
  "$board" --link "$work/$name" --save "$work/$name.memory" "$@" >/dev/null 2>"$work/$name.log" &
  pid_of[$name]=$!
}

program=$programs/rich.prg  # thresholds, a held voltage, and a line-feed byte (EA3) inside a line
other=$programs/example.prg

start_board good
start_board same --program "$program"
start_board differs --program "$program"
start_board kept
start_board silent --silent
start_board silent2 --silent
start_board empty --no-program
# Line feeds that come late, but within the wait: the download is the board's program.
start_board late_lf --program "$program" --pieces 47:550
start_board cut --hang-up-after 4
start_board short --truncate 10
start_board blanks --blanks
start_board corrupt --corrupt-echo
# Boards ending their replies with CR alone or LF alone, that line end 550 ms late.
start_board cr_only --program "$program" --line-end cr --pieces 46:550
start_board lf_only --program "$program" --line-end lf --pieces 46:550
# CR LF, the LF 700 ms late: past the wait for it, it leads the next reply.
start_board lf_leads --program "$program" --pieces 47:700
start_board stopped
start_board stopped2
for n in 1 2 3 4 5 6 7; do start_board "many$n"; done
for name in "${!pid_of[@]}"; do
  for _ in $(seq 50); do [ -e "$work/$name" ] && break; sleep 0.1; done
  [ -e "$work/$name" ] || { echo "board $name did not start"; exit 1; }
done

upload_and_download() {
  "$cli" upload "$program" --port "$work/good" 2>"$work/upload.err"; check "upload" 0 $?
  check "one progress line per output" 11 "$(grep -c '^Envoi de S[LA][0-9] ([0-9]*/11)…$' "$work/upload.err")"
  grep -q "^Envoi de SL3 (3/11)…$" "$work/upload.err"; check "... SL3 third" 0 $?
  "$cli" download "$work/copy.prg" --port "$work/good" 2>"$work/download.err"; check "download" 0 $?
  cmp -s "$program" "$work/copy.prg"; check "downloaded file is byte-identical" 0 $?
  check "... says so, naming the file" "Chargement OK !||Le programme de la carte est dans copy.prg." \
    "$(grep -v '^Lecture de' "$work/download.err" | paste -sd'|')"
}

verify_same_and_different() {
  "$cli" verify "$program" --port "$work/same" >"$work/verify.out" 2>/dev/null; check "verify same" 0 $?
  check "verify says identical" "La carte contient le programme de l'éditeur." "$(cat "$work/verify.out")"
  "$cli" verify "$other" --port "$work/same" >"$work/verify2.out" 2>/dev/null; check "verify different" 1 $?
  grep -Eq "^SL[1-7] : (conditions|seuil EA[1-4]|pause) — carte .+, éditeur .+$" "$work/verify2.out"
  check "verify names the output, the field and both values" 0 $?
  "$cli" verify "$program" --port "$work/same" >/dev/full 2>"$work/verify_full.err"; check "verify to a full output" 7 $?
  grep -qx "velkor-cli : impossible d'écrire sur la sortie standard : disque plein" "$work/verify_full.err"
  check "... says so" 0 $?
}

verify_json() {
  "$cli" verify --json "$other" --port "$work/differs" >"$work/verify.json" 2>/dev/null
  check "verify --json different" 1 $?
  python3 -c 'import json,sys; b=json.load(open(sys.argv[1]))["boards"][0]; assert not b["identical"] and b["differences"] and b["error"] is None' \
    "$work/verify.json"; check "... parses, with its differences" 0 $?
}

boards_that_fail() {
  printf 'keep me' >"$work/existing.prg"
  "$cli" download "$work/existing.prg" --port "$work/silent" 2>"$work/silent.err"; check "silent board" 1 $?
  check "existing file untouched" "keep me" "$(cat "$work/existing.prg")"
  grep -q "Pas de communication avec la carte" "$work/silent.err"; check "check-list message" 0 $?
  "$cli" download "$work/new.prg" --port "$work/empty" 2>"$work/empty.err"; check "board without program" 1 $?
  [ -e "$work/new.prg" ]; check "no file created" 1 $?
  grep -q "Il n'y a pas de programme en mémoire" "$work/empty.err"; check "no-program message" 0 $?
}

late_line_feed() {
  "$cli" download "$work/late_lf.prg" --port "$work/late_lf" 2>/dev/null; check "line feed 550 ms late" 0 $?
  cmp -s "$program" "$work/late_lf.prg"; check "... gives the board's program" 0 $?
}

line_ends() {
  local kind
  for kind in cr_only lf_only lf_leads; do
    "$cli" download "$work/$kind.prg" --port "$work/$kind" 2>/dev/null; check "download, $kind" 0 $?
    cmp -s "$program" "$work/$kind.prg"; check "... gives the board's program" 0 $?
  done
}

# What came back is said below the check-list, and that nothing was changed.
download_faults() {
  local board told
  for board in short blanks; do
    case $board in
      short) told="La réponse de SL1 n'est arrivée qu'en partie : 10 octets sur 46, sans fin de ligne." ;;
      blanks) told="La carte n'a répondu à la demande de SL1 que des blancs ou des octets de contrôle (48 octets)." ;;
    esac
    "$cli" download "$work/$board.prg" --port "$work/$board" 2>"$work/$board.err"; check "download from $board" 1 $?
    check "... says what came back" "Pas de communication avec la carte !|$told|La carte n'a pas été modifiée.|Le fichier $board.prg n'a pas été écrit." \
      "$(grep -e '^Pas de' -e "^La " -e "^Le fichier" "$work/$board.err" | paste -sd'|')"
    [ -e "$work/$board.prg" ]; check "... and writes no file" 1 $?
  done
  "$cli" upload "$program" --port "$work/corrupt" 2>"$work/corrupt.err"; check "upload, echo corrupted" 1 $?
  grep -q "^Pour SL1, la carte a répondu autre chose que la ligne envoyée.$" "$work/corrupt.err"
  check "... says so below the check-list" 0 $?
}

# Ctrl+C (SIGINT) or SIGTERM: the transfer ends after its line in progress,
# says where the board stands, and the program ends by the signal.
stopped_by_a_signal() {
  local pid
  env --default-signal=INT "$cli" upload "$program" --port "$work/stopped" 2>"$work/stopped.err" &
  pid=$!
  for _ in $(seq 100); do grep -q "(3/11)" "$work/stopped.err" && break; sleep 0.05; done
  kill -INT $pid; wait $pid; check "upload stopped by Ctrl+C" 130 $?
  grep -Eq "^SL1 à SL[34] ont été enregistrées ; SL[45] à SA4 ne l'ont pas été : la carte contient un programme incomplet.$" \
    "$work/stopped.err"; check "... says what the board holds" 0 $?
  "$cli" download "$work/stopped.prg" --port "$work/stopped2" 2>"$work/stopped2.err" &
  pid=$!
  for _ in $(seq 100); do grep -q "(3/11)" "$work/stopped2.err" && break; sleep 0.05; done
  kill -TERM $pid; wait $pid; check "download stopped by SIGTERM" 143 $?
  check "... says nothing was changed" "Chargement interrompu !|La carte n'a pas été modifiée.|Le fichier stopped.prg n'a pas été écrit." \
    "$(grep -e '^Chargement' -e "^La " -e "^Le fichier" "$work/stopped2.err" | paste -sd'|')"
  [ -e "$work/stopped.prg" ]; check "... and writes no file" 1 $?
}

upload_cut() {
  "$cli" upload "$program" --port "$work/cut" 2>"$work/cut.err"; check "upload cut after four lines" 1 $?
  grep -Eq "^SL1 à SL[34] ont été enregistrées ; SL[45] l'a peut-être été ; SL[56] à SA4 ne l'ont pas été" "$work/cut.err"
  check "... says what the board holds" 0 $?
}

damaged=$work/damaged.prg  # SL1's first link unreadable
{ head -c 1 "$program"; printf 'x'; tail -c +3 "$program"; } >"$damaged"
damaged_file() {
  "$cli" upload "$damaged" --port "$work/kept" 2>"$work/damaged.err"; check "upload of a damaged file" 5 $?
  grep -q "^SL1 : lien 1 illisible" "$work/damaged.err"; check "... names the damaged output" 0 $?
  "$cli" verify "$damaged" --port "$work/kept" >/dev/null 2>&1; check "verify of a damaged file, identical" 5 $?
}

refusals() {
  "$cli" upload "$program" --port "$work/nowhere" 2>"$work/port.err"; check "missing port" 4 $?
  grep -q "Port COM occupé ou inexistant" "$work/port.err"; check "port message" 0 $?
  grep -q "/nowhere : fichier ou périphérique introuvable" "$work/port.err"; check "... names the device" 0 $?
  printf 'not a program\r\n' >"$work/bad.prg"
  "$cli" upload "$work/bad.prg" --port "$work/good" 2>/dev/null; check "refused file" 3 $?
  "$cli" upload "$program" 2>/dev/null; check "usage" 2 $?
  "$cli" ports --json >"$work/ports.json"; check "ports --json" 0 $?
  python3 -c 'import json,sys; assert isinstance(json.load(open(sys.argv[1]))["ports"], list)' "$work/ports.json"
  check "... parses" 0 $?
}

# Several boards at once: each programmed in the time of one, one result line per port.
four_boards() {
  local start ms
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
}

a_silent_board_among_three() {
  "$cli" upload "$program" --port "$work/many5" --port "$work/silent2" --port "$work/many6" >"$work/three.out" 2>/dev/null
  check "a silent board among three" 1 $?
  check "... the other two programmed" 2 "$(grep -c "^$work/many[56] : Enregistrement OK !" "$work/three.out")"
  grep -q "^$work/silent2 : Pas de communication avec la carte !" "$work/three.out"; check "... the silent port named" 0 $?
}

a_missing_port_among_two() {
  "$cli" upload "$program" --port "$work/many7" --port "$work/nowhere" >"$work/two.out" 2>/dev/null
  check "a port that cannot be opened among two" 4 $?
  grep -q "^$work/nowhere : Port COM occupé ou inexistant !" "$work/two.out"; check "... named with its message" 0 $?
}

groups=(upload_and_download verify_same_and_different verify_json boards_that_fail late_line_feed upload_cut
        damaged_file refusals four_boards a_silent_board_among_three a_missing_port_among_two line_ends
        download_faults stopped_by_a_signal)
group_pids=()
for group in "${groups[@]}"; do
  "$group" >"$work/$group.checks" 2>&1 &
  group_pids+=($!)
done
wait "${group_pids[@]}"

# The board's memory, saved when it stops, is what was uploaded last: the
# damaged file as the editor reads it.
{
  kill "${pid_of[kept]}"; wait "${pid_of[kept]}" 2>/dev/null
  "$cli" show "$work/kept.memory" >"$work/memory.txt" 2>/dev/null; check "board memory saved" 0 $?
  "$cli" show "$damaged" >"$work/damaged.txt" 2>/dev/null
  cmp -s "$work/damaged.txt" "$work/memory.txt"; check "... holds the damaged file's program" 0 $?
} >"$work/memory.checks"

for checks in "${groups[@]}" memory; do echo "== $checks"; cat "$work/$checks.checks"; done
! grep -q '^FAIL' "$work"/*.checks
