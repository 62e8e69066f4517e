#!/bin/sh
# Runs one share of a QtTest binary's test functions: every COUNT-th one,
# counted from INDEX (1 to COUNT), so that the functions of a slow binary run
# side by side. Functions added later fall into a share by themselves.
# Usage: qtest_shard.sh BINARY INDEX COUNT
set -eu
binary=$1 index=$2 count=$3
functions=$("$binary" -functions | sed -n 's/()$//p' | awk -v i="$index" -v n="$count" 'NR % n == i % n')
[ -n "$functions" ] || { echo "no function in share $index of $count"; exit 0; }
# shellcheck disable=SC2086 # one argument per function
exec "$binary" $functions
