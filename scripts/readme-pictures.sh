#!/usr/bin/env bash
# The README's pictures (docs/NAME.png), cut from the screenshots of the demo's tour: a line of
# SHOTS/shots.txt that names a picture after the manager window's rectangle gives the rectangle
# of the windows it shows. Each picture is made in OUT (PNG, under 150 KB: when a full-colour one
# is larger it gets 256 colours), compared pixel by pixel with the one in docs/, and reported new,
# changed or unchanged; with --update the new and changed ones replace those in docs/.
# Usage: readme-pictures.sh SHOTS OUT [--update]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
shots=$1 out=$2 update=${3:-}
limit=153600
mkdir -p "$out"
made=0
while read -r shot _ _ _ _ picture left top right bottom; do
  [ -n "${picture:-}" ] || continue
  png=$shots/${shot%.bmp}.png new=$out/$picture.png doc=docs/$picture.png
  convert "$png" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage -strip PNG24:"$new"
  if [ "$(stat -c %s "$new")" -gt $limit ]; then
    convert "$new" -colors 256 -strip PNG8:"$new"
  fi
  size=$(stat -c %s "$new")
  if [ "$size" -gt $limit ]; then
    echo "$new: $size bytes, more than a README picture may have ($limit)" >&2
    exit 1
  fi
  if [ ! -f "$here/$doc" ]; then
    state=new
  elif compare -metric AE "$here/$doc" "$new" null: 2>/dev/null; then
    state=unchanged
  else
    state=changed
  fi
  if [ "$update" = --update ] && [ "$state" != unchanged ]; then
    mkdir -p "$here/docs"
    cp "$new" "$here/$doc"
    echo "$doc: $state, written ($((size / 1024)) KB)"
  elif [ "$state" = unchanged ]; then
    echo "$doc: unchanged"
  else
    echo "$doc: $state in $new (bash scripts/demo.sh --pictures puts it in docs/)"
  fi
  made=$((made + 1))
done < <(tr -d '\r' <"$shots/shots.txt")
if [ "$made" -ne 3 ]; then
  echo "$shots/shots.txt names $made README pictures, not 3" >&2
  exit 1
fi
