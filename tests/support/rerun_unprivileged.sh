#!/bin/sh
# Runs the serial, board and file test binaries of a build once more as an
# ordinary user (uid/gid 65534), from a copy that user can read: root passes
# permission and priority checks that an ordinary user fails. All binaries
# run at once, each in shards side by side (they mostly wait on lines and
# timers); any failure fails the run.
#
#   tests/support/rerun_unprivileged.sh BUILD_DIR
set -eu

build=${1:?usage: $0 BUILD_DIR}
shards=${UNPRIVILEGED_SHARDS:-4}
user=65534
binaries="tests/comport/comport_tests tests/board/board_emulator_tests
tests/board/board_transfer_tests tests/image/image_tests"

work=$(mktemp -d "${TMPDIR:-/tmp}/velkor-unprivileged.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/tmp"
chmod 755 "$work"
chmod 1777 "$work/tmp"
for b in $binaries; do
  cp "$build/$b" "$work/"
done
chmod 755 "$work"/*_tests

for b in $binaries; do
  name=$(basename "$b")
  i=0
  while [ "$i" -lt "$shards" ]; do
    (cd "$work" && setpriv --reuid=$user --regid=$user --clear-groups \
       env HOME="$work/tmp" TMPDIR="$work/tmp" GTEST_TOTAL_SHARDS="$shards" GTEST_SHARD_INDEX="$i" \
       "./$name" >"$work/$name.$i.log" 2>&1; echo $? >"$work/$name.$i.status") &
    i=$((i + 1))
  done
done
wait

failed=""
for b in $binaries; do
  name=$(basename "$b")
  status=0
  for f in "$work/$name".*.status; do [ "$(cat "$f")" = 0 ] || status=1; done
  passed=$(cat "$work/$name".*.log | grep -c '^\[       OK \]' || true)
  if [ "$status" -eq 0 ]; then
    echo "as uid $user: $name: $passed passed"
  else
    echo "as uid $user: $name FAILED"
    grep -h -A6 'Failure$' "$work/$name".*.log | head -150
    grep -h '^\[  FAILED  \]' "$work/$name".*.log | sort -u
    failed="$failed $name"
  fi
done
[ -z "$failed" ] || { echo "failed as uid $user:$failed"; exit 1; }
