#!/usr/bin/env bash
# Compiles `#include "HEADER"` with the include folders a user of LIBRARY
# gets, for each row of rows.txt ("LIBRARY HEADER found|refused"): a header
# found must compile, a header refused must be missing, not fail otherwise
# (gcc says "No such file", clang "file not found").
# Usage: sealed_headers_test.sh CXX FOLDER
set -uo pipefail
cxx=$1 folder=$2
failures=0
while read -r library header expected; do
  flags=()
  while IFS= read -r dir; do [ -n "$dir" ] && flags+=("-I$dir"); done <"$folder/$library.includes"
  out=$(printf '#include "%s"\n' "$header" | "$cxx" -std=c++20 -fsyntax-only -x c++ "${flags[@]}" - 2>&1)
  status=$?
  if [ "$expected" = found ] && [ $status -eq 0 ]; then
    echo "ok: $library finds $header"
  elif [ "$expected" = refused ] && [ $status -ne 0 ] && grep -Eq "$header(: No such file|' file not found)" <<<"$out"; then
    echo "ok: $library does not find $header"
  else
    echo "FAIL: $library, $header: expected $expected"
    echo "$out" | head -5
    failures=$((failures + 1))
  fi
done <"$folder/rows.txt"
exit $((failures > 0))
