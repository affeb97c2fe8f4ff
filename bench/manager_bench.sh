#!/usr/bin/env bash
# Adding a folder of camera-size JPEGs through the manager window's Add Folder path, side by side
# with `abmtool build` on the same folder (the time to the first thumbnail painted against one
# photo's thumbnail on its own), then switching between two albums of 5,000 thumbnails.
# Usage: bash bench/manager_bench.sh [COUNT]   (after scripts/test.sh or scripts/demo.sh built it)
# PHOTOS=N makes only N different photos and names each of them again until there are COUNT
# (making 200 photos of 12 megapixels takes a long while on a busy machine).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-200}
photos=${PHOTOS:-$count}
work=$here/build/bench-thumbs
bash "$here/bench/make_photos.sh" "$work/images" "$photos"
# Exactly COUNT photos, whatever else the photo folder holds.
files=("$work"/images/*.jpg)
files=("${files[@]:0:$photos}")
rm -rf "$work/manager-set" && mkdir -p "$work/manager-set"
for i in $(seq 0 $((count - 1))); do
  ln -s "${files[$((i % ${#files[@]}))]}" "$work/manager-set/photo_$(printf %03d $((i + 1))).jpg"
done
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix} WINEDEBUG=-all
now() { date +%s.%N; }
# The Windows name of the folder (Wine maps / to Z:), made without starting Wine off the display.
win="Z:$(echo "$work/manager-set" | tr / '\\')"
t0=$(now); xvfb-run -a -s "-screen 0 1280x1024x24" "$here/scripts/wine-run.sh" "$here/build/x64/bin/manager_bench.exe" add "$win"; t1=$(now)
t2=$(now); bash "$here/scripts/abmtool" build "$work/manager-set" "$work/bench.abm" --size 96 >/dev/null 2>&1; t3=$(now)
python3 - "$count" "$t0" "$t1" "$t2" "$t3" <<'PY'
import sys
n, t0, t1, t2, t3 = map(float, sys.argv[1:])
print(f"  with Wine start: Add Folder {n/(t1-t0):.2f} images/s, abmtool build {n/(t3-t2):.2f} images/s, "
      f"ratio {((t1-t0)/(t3-t2)):.2f}x the time")
PY
# abmtool ran Wine without a display: let that session end before windows are made again.
wineserver -w
xvfb-run -a -s "-screen 0 1280x1024x24" "$here/scripts/wine-run.sh" "$here/build/x64/bin/manager_bench.exe" switch 5000
