#!/usr/bin/env bash
# Makes the albums the demo shows, with the installed abmtool: the sample album (every image of
# samples/images) in an album folder (samples/, or one the images are first copied into, where it
# finds them as images\NAME), and the editor's brush and texture albums in its program folder,
# drawn here with ImageMagick (brushes as grey bitmaps in the "brush" resource folder, textures in
# "textures"). abmtool gets the album's paths as Windows names them: a folder on the Wine prefix's
# drive C shows as C:\..., wherever the prefix lies.
# Usage: make-sample-albums.sh INSTALL_PREFIX ALBUM_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(cd "$1" && pwd)
albums=$2
bin=$prefix/bin
export ABMTOOL_EXE=$bin/abmtool.exe
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix} WINEDEBUG=${WINEDEBUG:--all}

mkdir -p "$albums" "$bin/brush" "$bin/textures"
albums=$(cd "$albums" && pwd)
rm -f "$albums/Samples.abm" "$bin/Brushes.abm" "$bin/Textures.abm"
if [ "$albums" != "$here/samples" ]; then
  rm -rf "$albums/images" && cp -r "$here/samples/images" "$albums/images"
fi
windows() { winepath -w "$1" 2>/dev/null; }
bash "$here/scripts/abmtool" build "$(windows "$albums/images")" "$(windows "$albums/Samples.abm")" --size 80 >/dev/null

# Brushes: white on black is paint, grey levels are its strength.
(
  cd "$bin/brush"
  convert -size 64x64 radial-gradient:white-black -colorspace Gray -depth 8 -type Grayscale BMP3:soft.bmp
  convert -size 64x64 xc:black -fill white -draw "circle 32,32 32,6" -colorspace Gray -type Grayscale BMP3:hard.bmp
  convert -size 64x64 xc:black -fill white -draw "polygon 32,2 40,24 62,24 44,38 51,60 32,47 13,60 20,38 2,24 24,24" \
          -colorspace Gray -type Grayscale BMP3:star.bmp
  convert -seed 21 -size 64x64 plasma:black-white -threshold 60% -blur 0x1 -colorspace Gray -type Grayscale BMP3:spray.bmp
  convert -size 64x64 xc:black -fill white -draw "rectangle 8,28 56,36" -blur 0x2 -colorspace Gray -type Grayscale \
          BMP3:line.bmp
)
(
  cd "$bin/textures"
  convert -seed 31 -size 128x128 plasma:sienna-wheat BMP3:wood.bmp
  convert -size 128x128 pattern:bricks -fill firebrick -opaque black BMP3:bricks.bmp
  convert -seed 32 -size 128x128 plasma:grey60-grey90 -blur 0x1 BMP3:stone.bmp
  convert -size 128x128 pattern:crosshatch30 -fill navy -opaque black BMP3:canvas.bmp
  convert -seed 33 -size 128x128 plasma:green-darkgreen BMP3:moss.bmp
)
bash "$here/scripts/abmtool" build "$bin/brush" "$bin/Brushes.abm" --size 40 >/dev/null
bash "$here/scripts/abmtool" build "$bin/textures" "$bin/Textures.abm" --size 40 >/dev/null
echo "sample album: $albums/Samples.abm; brushes and textures: $bin/Brushes.abm, $bin/Textures.abm"
