#!/usr/bin/env bash
# Thumbnails per second of `abmtool build` (box 96) on generated 12-megapixel JPEGs, side by side
# with vipsthumbnail and ImageMagick's `convert -thumbnail` on the same files, in one run (Wine
# start included). Also: abmtool on one worker thread, abmtool --embedded on copies that carry
# an EXIF thumbnail (written with exiftool), and the quality of the quick thumbnails.
# Usage: bash bench/thumbs_bench.sh [COUNT]   (needs the installed build: scripts/demo.sh or test.sh)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-100}
work=$here/build/bench-thumbs
need=()
command -v vipsthumbnail >/dev/null || need+=(libvips-tools)
command -v convert >/dev/null || need+=(imagemagick)
command -v exiftool >/dev/null || need+=(libimage-exiftool-perl)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
fi

bash "$here/bench/make_photos.sh" "$work/images" "$count"
files=("$work"/images/*.jpg)
files=("${files[@]:0:$count}")
n=${#files[@]}
rm -rf "$work/set" && mkdir -p "$work/set" && ln -s "${files[@]}" "$work/set/"

# The same photos with an embedded 160 x 120 thumbnail, as cameras write them.
if [ "$(ls "$work/embedded" 2>/dev/null | grep -c '\.jpg$' || true)" -lt "$n" ]; then
  echo "Writing EXIF thumbnails into copies of the photos..."
  rm -rf "$work/embedded" && mkdir -p "$work/embedded"
  for f in "${files[@]}"; do
    b=$(basename "$f")
    cp "$f" "$work/embedded/$b"
    convert "$f" -thumbnail 160x120 -strip "$work/embedded/thumb-$b.tmp.jpg"
    exiftool -q -overwrite_original "-ThumbnailImage<=$work/embedded/thumb-$b.tmp.jpg" "$work/embedded/$b"
    rm -f "$work/embedded/thumb-$b.tmp.jpg"
  done
fi

now() { date +%s.%N; }
rate() { python3 -c "import sys; n,t=float(sys.argv[1]),float(sys.argv[2]); print(f'{n/t:8.2f} thumbnails/s  ({t:.2f} s)')" "$1" "$2"; }

export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix} WINEDEBUG=-all
wineserver -p || true
wine cmd /c exit >/dev/null 2>&1
decoder=$(bash "$here/scripts/abmtool" info | sed -n 's/^JPEG decoder: *//p' | tr -d '\r')
threads=$(bash "$here/scripts/abmtool" info | sed -n 's/^Worker threads: *\([0-9]*\).*/\1/p')

# The machine may be shared: every command runs ROUNDS times, alternating, and the medians count.
rounds=${ROUNDS:-3}
declare -A times
timed() { # name command...
  local name=$1; shift
  local t0 t1
  t0=$(now); "$@" >/dev/null 2>&1; t1=$(now)
  times[$name]+="$(python3 -c "print($t1-$t0)") "
}
abmtool() { bash "$here/scripts/abmtool" "$@"; }
vips_run() { rm -rf "$work/vips" && mkdir -p "$work/vips" && vipsthumbnail "${files[@]}" -s 96x96 -o "$work/vips/%s.jpg"; }
magick_run() {
  rm -rf "$work/magick" && mkdir -p "$work/magick"
  for f in "${files[@]}"; do convert "$f" -thumbnail 96x96 "$work/magick/$(basename "$f")"; done
}
for r in $(seq 1 "$rounds"); do
  timed abm abmtool build "$work/set" "$work/bench.abm" --size 96
  timed vips vips_run
  timed abm1 abmtool build "$work/set" "$work/bench1.abm" --size 96 --threads 1
  timed plain abmtool build "$work/embedded" "$work/plain.abm" --size 96
  timed embedded abmtool build "$work/embedded" "$work/embedded.abm" --size 96 --embedded
done
timed magick magick_run
cmp -s "$work/bench.abm" "$work/bench1.abm" && same="identical" || same="DIFFERENT"
wineserver -k || true
median() { python3 -c "import sys, statistics; print(statistics.median(map(float, sys.argv[1:])))" $1; }
abm=$(median "${times[abm]}"); abm1=$(median "${times[abm1]}"); vips=$(median "${times[vips]}")
magick=$(median "${times[magick]}"); plain=$(median "${times[plain]}"); embedded=$(median "${times[embedded]}")

echo "Thumbnails of $n 12-megapixel JPEGs, box 96 (JPEG decoder: $decoder; $threads worker threads;"
echo "median of $rounds alternating runs, Wine start included):"
printf '  %-34s %s\n' "abmtool build (Wine)" "$(rate "$n" "$abm")"
printf '  %-34s %s\n' "abmtool build --threads 1 (Wine)" "$(rate "$n" "$abm1")"
printf '  %-34s %s\n' "vipsthumbnail" "$(rate "$n" "$vips")"
printf '  %-34s %s\n' "convert -thumbnail (one run)" "$(rate "$n" "$magick")"
echo "  albums from $threads workers and from one: $same"
echo "The same photos carrying a 160 x 120 EXIF thumbnail:"
printf '  %-34s %s\n' "abmtool build" "$(rate "$n" "$plain")"
printf '  %-34s %s\n' "abmtool build --embedded" "$(rate "$n" "$embedded")"
python3 - "${times[abm]}" "${times[vips]}" <<'PY'
import sys
a = list(map(float, sys.argv[1].split())); v = list(map(float, sys.argv[2].split()))
ratios = sorted(vv / aa for aa, vv in zip(a, v))
print("  throughput abmtool / vipsthumbnail, run by run: " + ", ".join(f"{r:.2f}x" for r in ratios))
PY
python3 - "$abm" "$abm1" "$vips" "$magick" "$plain" "$embedded" <<'PY'
import sys
a, a1, v, m, p, e = map(float, sys.argv[1:])
print(f"  throughput abmtool / vipsthumbnail: {v/a:.2f}x (goal >= 1.5x)   abmtool / convert: {m/a:.2f}x")
print(f"  all workers / one worker: {a1/a:.2f}x   --embedded / decoding: {p/e:.2f}x")
PY
quality=$here/build/x64/bin/thumb_quality_bench.exe
if [ -f "$quality" ]; then
  echo "Quality of the quick thumbnails (reduced decode) against full decodes, samples then the photos:"
  wineserver -p || true
  wine "$quality" "Z:$(echo "$here/samples/images" | tr / '\\')" 96 | tail -n 1 || true  # it fails when the bar is missed
  wine "$quality" "Z:$(echo "$work/set" | tr / '\\')" 96 | tail -n 1 || true
  wineserver -k || true
fi
