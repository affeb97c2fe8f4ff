#!/usr/bin/env bash
# Regenerates the sample images the demo builds an album from. They are drawn here with
# ImageMagick (gradients, patterns and seeded plasma), so the project owns every pixel.
set -euo pipefail
out=$(cd "$(dirname "$0")/.." && pwd)/samples/images
mkdir -p "$out"
cd "$out"
convert -seed 11 -size 640x480 plasma:orange-navy -quality 88 sunset.jpg
convert -seed 12 -size 480x640 plasma:green-yellow -quality 88 meadow.jpg
convert -size 400x300 gradient:skyblue-white \( -size 400x300 pattern:checkerboard -alpha set -channel A -evaluate set 35% \) -composite -depth 8 harbour.png
convert -size 256x256 radial-gradient:white-black -colorspace Gray -depth 8 gray_disc.png
convert -seed 13 -size 300x200 plasma:red-blue -colors 16 -type Palette mosaic.gif
convert -size 320x240 gradient:firebrick-gold -rotate 90 BMP3:ember.bmp
convert -seed 14 -size 360x240 plasma:purple-pink -depth 8 -compress lzw stone.tif
convert -size 200x200 xc:none -fill teal -draw "circle 100,100 100,20" -background white -alpha remove -compress RLE badge.tga
convert -seed 15 -size 320x200 plasma:brown-khaki pebbles.pcx
convert -size 64x64 pattern:hexagons -resize 128x128 hexagons.png
ls -l "$out"
