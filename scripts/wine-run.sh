#!/usr/bin/env bash
# Runs a Windows program of the build under Wine with the project's prefix (CTest's emulator).
# A program that dies of an unhandled exception in a thread of its own can still end with exit
# code 0 under Wine, so Wine's own crash report on stderr counts as a failure too.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
wine "$@" 2> >(tee "$errors" >&2)
rc=$?
wait $!   # the copy of stderr is complete
if [ "$rc" -eq 0 ] && grep -q '^wine: Unhandled' "$errors"; then
  echo "wine-run.sh: $1 crashed (Wine's report above) yet ended with exit code 0" >&2
  rc=1
fi
exit "$rc"
