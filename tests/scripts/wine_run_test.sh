#!/usr/bin/env bash
# The test programs' runner fails a program that Wine reports crashed, even when Wine then ends
# with exit code 0 (as it does for some crashes in a program's own threads), and otherwise passes
# the program's exit code on. A stand-in for wine on the PATH plays the program.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
check() { # check WANT WHAT STDERR-LINE EXIT-CODE
  printf '#!/bin/sh\necho "[  PASSED  ] 1 test."\necho "%s" >&2\nexit %s\n' "$3" "$4" >"$tmp/wine"
  chmod +x "$tmp/wine"
  PATH="$tmp:$PATH" bash "$here/scripts/wine-run.sh" prog.exe >"$tmp/out" 2>&1
  local got=$?
  if [ "$got" != "$1" ]; then
    echo "FAILED: $2: exit status $got, not $1"; sed 's/^/    /' "$tmp/out"; failures=$((failures + 1))
  fi
}
check 0 "a clean run" "" 0
check 3 "a program's own exit code" "" 3
check 1 "a crash ending with exit code 0" "wine: Unhandled page fault on write access to 0000000000000010 at address 000000017002A1B2 (thread 0114), starting debugger..." 0
check 5 "a crash ending with its own exit code" "wine: Unhandled exception 0xc0000005 in thread 0104" 5
check 0 "a program's own message about a crash" "the reading process crashed: wine: Unhandled is quoted here" 0
[ "$failures" = 0 ] && echo "wine-run.sh: all checks passed"
exit "$failures"
