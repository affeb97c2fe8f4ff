#!/usr/bin/env bash
# Runs a program of the installed build under Wine on a virtual display and saves a screenshot.
# Usage: screenshot.sh OUT.png SECONDS PROGRAM.exe [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$1 wait=$2; shift 2
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix} WINEDEBUG=-all
if [ -z "${ALBUM_IN_XVFB:-}" ]; then
  ALBUM_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$out" "$wait" "$@"
fi
wine "$@" &
pid=$!
sleep "$wait"
xwd -root -display "$DISPLAY" | convert xwd:- png:"$out"
kill $pid 2>/dev/null || true
wineserver -k 2>/dev/null || true
echo "saved $out"
