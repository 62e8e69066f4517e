#!/usr/bin/env bash
# velkor-board's --link and --device leave alone what is not theirs: a path
# that exists (but a link a run left behind) and a device that is not a
# terminal are refused, and the emulator then stops with code 4. A usage
# error is told in two lines, the second pointing to --help (code 2).
# Usage: emulator_options_test.sh VELKOR_BOARD PROGRAM_FILE
set -uo pipefail
board=$1 program=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL: $1: expected $2, got $3"; failures=$((failures + 1)); else echo "ok: $1"; fi
}
refused() {  # refused WHAT REASON ARGS...: exit code 4 and the French reason
  local what=$1 reason=$2
  shift 2
  timeout 5 "$board" "$@" >/dev/null 2>"$work/err"
  check "$what: exit code" 4 $?
  grep -q "^velkor-board : .* : $reason$" "$work/err"; check "$what: says why" 0 $?
}

misused() {  # misused REASON ARGS...: exit code 2, the reason, then where to read more
  local reason=$1
  shift
  timeout 5 "$board" "$@" >/dev/null 2>"$work/err"
  check "$*: exit code" 2 $?
  check "$*: says why" "$(printf 'velkor-board : %s\nPour en savoir plus : velkor-board --help' "$reason")" "$(cat "$work/err")"
}
misused "option inconnue : --bogus" --bogus
misused "argument inattendu : carte" carte
misused "--link attend un CHEMIN" --silent --link
misused "--pieces attend N:MS" --pieces 0:20
misused "--delay attend un nombre de millisecondes de 0 à 1000000" --delay -1
misused "--line-end attend crlf, cr ou lf" --line-end crcr

cp "$program" "$work/atelier.prg"
mkdir "$work/empty" "$work/full" && touch "$work/full/x"
ln -s atelier.prg "$work/other"
mkfifo "$work/tube"
taken="ce chemin existe déjà et n'est pas un lien de velkor-board"
refused "--link onto a program file" "$taken" --link "$work/atelier.prg"
refused "--link onto an empty folder" "$taken" --link "$work/empty"
refused "--link onto a folder" "$taken" --link "$work/full"
refused "--link onto a link of the user's" "$taken" --link "$work/other"
refused "--link in a missing folder" "fichier ou périphérique introuvable" --link "$work/absent/carte"
refused "--device onto a file" "ce n'est pas un terminal" --device "$work/atelier.prg"
refused "--device onto a named pipe" "ce n'est pas un terminal" --device "$work/tube"
cmp -s "$program" "$work/atelier.prg"; check "the program file is untouched" 0 $?
[ -d "$work/empty" ] && [ -f "$work/full/x" ] && [ "$(readlink "$work/other")" = atelier.prg ]
check "the folders and the link are untouched" 0 $?

# A link left by a run that did not end cleanly is taken over, and removed at the end.
ln -s /dev/pts/999999 "$work/carte"
"$board" --link "$work/carte" >"$work/path" 2>&1 &
pid=$!
for _ in $(seq 50); do [ -s "$work/path" ] && break; sleep 0.1; done
check "a left-over link leads to the new line" "$(cat "$work/path")" "$(readlink "$work/carte")"
kill -TERM $pid
wait $pid; check "stops cleanly" 0 $?
[ -L "$work/carte" ]; check "its link is removed at the end" 1 $?
exit $((failures > 0))
