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
# Without a window manager Wine's owned pop-ups (the album windows and dialogs) come out black in
# a capture of the root window: paint each mapped top-level window over it from its own contents,
# bottom to top.
xwininfo -root -children -display "$DISPLAY" | awk '/^     0x/ && $0 !~ /has no name/ {print $1}' | tac |
while read -r id; do
  geo=$(xwininfo -id "$id" -display "$DISPLAY" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Map State: IsViewable/{v=1} END{if (v) print "+" x "+" y}')
  [ -n "$geo" ] || continue
  xwd -id "$id" -display "$DISPLAY" 2>/dev/null | convert "$out" xwd:- -geometry "$geo" -composite png:"$out" 2>/dev/null || true
done
kill $pid 2>/dev/null || true
wineserver -k 2>/dev/null || true
echo "saved $out"
