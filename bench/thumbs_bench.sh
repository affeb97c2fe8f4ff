#!/usr/bin/env bash
# Thumbnails per second of `abmtool build` (box 96) on generated 12-megapixel JPEGs, side by side
# with vipsthumbnail and ImageMagick's `convert -thumbnail` on the same files, in one run.
# Usage: bash bench/thumbs_bench.sh [COUNT]   (needs the installed build: scripts/demo.sh or test.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-12}
work=$here/build/bench-thumbs
need=()
command -v vipsthumbnail >/dev/null || need+=(libvips-tools)
command -v convert >/dev/null || need+=(imagemagick)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
fi

bash "$here/bench/make_photos.sh" "$work/images" "$count"
files=("$work"/images/*.jpg)
n=${#files[@]}

now() { date +%s.%N; }
rate() { python3 -c "import sys; n,t=float(sys.argv[1]),float(sys.argv[2]); print(f'{n/t:8.2f} thumbnails/s  ({t:.2f} s)')" "$1" "$2"; }

export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix} WINEDEBUG=-all
wineserver -p
wine cmd /c exit >/dev/null 2>&1

t0=$(now); bash "$here/scripts/abmtool" build "$work/images" "$work/bench.abm" --size 96 >/dev/null 2>&1; t1=$(now)
abm=$(python3 -c "print($t1-$t0)")
rm -rf "$work/vips" && mkdir -p "$work/vips"
t0=$(now); vipsthumbnail "${files[@]}" -s 96x96 -o "$work/vips/%s.jpg" >/dev/null 2>&1; t1=$(now)
vips=$(python3 -c "print($t1-$t0)")
rm -rf "$work/magick" && mkdir -p "$work/magick"
t0=$(now); for f in "${files[@]}"; do convert "$f" -thumbnail 96x96 "$work/magick/$(basename "$f")"; done; t1=$(now)
magick=$(python3 -c "print($t1-$t0)")
wineserver -k || true

echo "Thumbnails of $n 12-megapixel JPEGs, box 96:"
printf '  %-28s %s\n' "abmtool build (Wine)" "$(rate "$n" "$abm")"
printf '  %-28s %s\n' "vipsthumbnail" "$(rate "$n" "$vips")"
printf '  %-28s %s\n' "convert -thumbnail" "$(rate "$n" "$magick")"
python3 - "$abm" "$vips" "$magick" <<'PY'
import sys
a, v, m = map(float, sys.argv[1:])
print(f"  ratio abmtool/vipsthumbnail time: {a/v:.2f}x   abmtool/convert time: {a/m:.2f}x")
PY
