#!/usr/bin/env bash
# Image file listing of a tree of 10,000 files in 100 folders: listing_bench.exe under Wine
# (ScanFolderFiles with subfolders, timed inside the process; each folder read once, and as before,
# searched once per pattern) against `find` with the same eleven patterns on the same tree, in one
# run. Prints each, per file, and the ratios to `find` with the goal (at most 3x).
# Usage: bash bench/listing_bench.sh [BUILD_DIR]   (after a build: cmake --build build/x64)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/x64}
tree=$here/build/bench-listing/tree
runs=7

# 10 folders of 9 subfolders each: 100 folders of 100 files, every image pattern in mixed case,
# plus a text file per folder that no pattern takes.
if [ ! -f "$tree/.complete" ]; then
  rm -rf "$tree" && mkdir -p "$tree"
  python3 - "$tree" <<'PY'
import os, sys
root = sys.argv[1]
exts = ["lcf", "JPG", "jpg", "BMP", "bmp", "TIF", "gif", "png", "PNG", "PCX", "tga", "fpx", "psd", "PCD"]
folders = []
for a in range(10):
    top = os.path.join(root, f"roll{a:02d}")
    folders.append(top)
    folders += [os.path.join(top, f"day{b:02d}") for b in range(9)]
n = 0
for f in folders:
    os.makedirs(f, exist_ok=True)
    for i in range(100):
        open(os.path.join(f, f"img{n:05d}.{exts[n % len(exts)]}"), "wb").close()
        n += 1
    open(os.path.join(f, "notes.txt"), "wb").close()
open(os.path.join(root, ".complete"), "wb").close()
PY
fi

export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix} WINEDEBUG=-all
wineserver -p
wine cmd /c exit >/dev/null 2>&1
out=$(wine "$build/bin/listing_bench.exe" "$(winepath -w "$tree")" $runs)
wineserver -k 2>/dev/null || true
echo "$out"
ours=$(sed -n 's/^scan best \([0-9.]*\) s.*/\1/p' <<<"$out")
searches=$(sed -n 's/^searches best \([0-9.]*\) s.*/\1/p' <<<"$out")
files=$(sed -n 's/^files \([0-9]*\).*/\1/p' <<<"$out")

best=""
for i in $(seq $runs); do
  t0=$(date +%s.%N)
  found=$(find "$tree" -type f \( -iname '*.lcf' -o -iname '*.jpg' -o -iname '*.bmp' -o -iname '*.tif' \
          -o -iname '*.gif' -o -iname '*.png' -o -iname '*.pcx' -o -iname '*.tga' -o -iname '*.fpx' \
          -o -iname '*.psd' -o -iname '*.pcd' \) | wc -l)
  t1=$(date +%s.%N)
  best=$(python3 -c "import sys; a=float(sys.argv[1]); b='$best'; print(min(a, float(b)) if b else a)" "$(python3 -c "print($t1-$t0)")")
done
python3 - "$ours" "$searches" "$best" "$files" "$found" <<'PY'
import sys
ours, searches, find = map(float, sys.argv[1:4])
files, found = int(sys.argv[4]), int(sys.argv[5])
print(f"find (baseline): {found} files in {find:.4f} s = {find * 1e6 / found:.2f} us per file (process start included)")
print(f"ScanFolderFiles, one read per folder:    {ours:.4f} s = {ours * 1e6 / files:.2f} us per file, "
      f"{ours / find:.2f}x find (goal: at most 3x) {'met' if ours / find <= 3 else 'MISSED'}")
print(f"ScanFolderFiles, a search per pattern:   {searches:.4f} s = {searches * 1e6 / files:.2f} us per file, "
      f"{searches / find:.2f}x find (before)")
PY
