#!/usr/bin/env bash
# Checks the screenshots of the host's tour and turns them into PNG files. Each line of
# FOLDER/shots.txt names a screenshot and the album manager window's screen rectangle when it was
# taken. A screenshot passes when it is not blank and the manager window is in it at that place:
# its rectangle shows the window's light grey (#C0C0C0) and the thumbnails drawn over it.
# Usage: check-screenshots.sh FOLDER MIN_COUNT
set -euo pipefail
folder=$1 min=$2
list=$folder/shots.txt
[ -f "$list" ] || { echo "no $list: the tour wrote no screenshots" >&2; exit 1; }
failed=0 count=0
while read -r name left top right bottom _; do
  bmp=$folder/$name png=$folder/${name%.bmp}.png
  [ -f "$bmp" ] || { echo "FAIL $name: missing" >&2; failed=1; continue; }
  convert "$bmp" "$png" && rm -f "$bmp"
  count=$((count + 1))
  spread=$(convert "$png" -format '%[fx:standard_deviation]' info:)
  if awk -v s="$spread" 'BEGIN{exit !(s < 0.02)}'; then
    echo "FAIL $name: blank (standard deviation $spread)" >&2; failed=1; continue
  fi
  if [ "$left" = "-" ]; then
    echo "FAIL $name: no album manager window was open" >&2; failed=1; continue
  fi
  w=$((right - left)) h=$((bottom - top))
  crop="${w}x${h}+${left}+${top}"
  grey=$(convert "$png" -crop "$crop" +repage -fill black +opaque '#C0C0C0' -fill white -opaque '#C0C0C0' \
         -format '%[fx:mean]' info:)
  detail=$(convert "$png" -crop "$crop" +repage -format '%[fx:standard_deviation]' info:)
  if awk -v g="$grey" -v d="$detail" 'BEGIN{exit !(g < 0.10 || d < 0.05)}'; then
    echo "FAIL $name: no album manager window at $crop (grey share $grey, detail $detail)" >&2; failed=1; continue
  fi
  echo "ok   $png: manager window at $crop (grey share $grey, detail $detail)"
done < <(tr -d '\r' <"$list")
if [ "$count" -lt "$min" ]; then
  echo "FAIL only $count screenshots, $min expected" >&2; failed=1
fi
exit $failed
