#!/usr/bin/env bash
# The README shows its pictures: every docs/*.png it names exists, is a PNG image (signature and
# header) and has at most 150 KB; it names the three the demo's tour makes.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
cd "$here"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
mapfile -t pictures < <(grep -o 'docs/[A-Za-z0-9_-]*\.png' README.md | sort -u)
for name in album-window find-results docked; do
  [[ " ${pictures[*]} " == *" docs/$name.png "* ]] || fail "the README does not show docs/$name.png"
done
for picture in "${pictures[@]}"; do
  if [ ! -f "$picture" ]; then fail "$picture is missing"; continue; fi
  [ "$(head -c 16 "$picture" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a0000000d49484452 ] ||
    fail "$picture is not a PNG image"
  size=$(stat -c %s "$picture")
  [ "$size" -le 153600 ] || fail "$picture has $size bytes, more than 150 KB"
done
[ $failures -eq 0 ] && echo "ok: ${#pictures[@]} README pictures"
exit $((failures > 0))
