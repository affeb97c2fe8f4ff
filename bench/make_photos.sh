#!/usr/bin/env bash
# Generates COUNT 12-megapixel (4000x3000) JPEGs that look like photographs into FOLDER, unless
# the folder already holds that many. Usage: make_photos.sh FOLDER COUNT
set -euo pipefail
folder=$1 count=$2
mkdir -p "$folder"
if [ "$(ls "$folder" | grep -c '\.jpg$' || true)" -lt "$count" ]; then
  echo "Generating $count 4000x3000 JPEGs in $folder..."
  base=$folder/../base-photo.png
  [ -f "$base" ] || convert -seed 7 -size 1000x750 plasma:steelblue-orange -resize 4000x3000! "$base"
  for i in $(seq 1 "$count"); do
    f="$folder/photo_$(printf %03d "$i").jpg"
    [ -f "$f" ] || convert "$base" -modulate 100,$((80 + i % 40)),$((i * 7 % 200)) -attenuate 0.3 \
                         +noise Gaussian -quality 90 "$f"
  done
fi
