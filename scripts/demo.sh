#!/usr/bin/env bash
# Sets up the machine, builds and installs the component, builds the editor stand-in against the
# installed package, makes the sample albums, and starts Lumicraft 2000 on the sample album folder
# (samples/) with an album window open.
#   On a desktop (DISPLAY set) the program stays open until you close it.
#   Without a display (or with --tour) it runs on a virtual display and takes a scripted tour:
#   an album window is moved and enlarged, a new album gets the sample folder, two thumbnails are
#   selected, the album is sorted, its images are searched with Find, an image is opened, the window is docked and floated, a brush
#   is chosen. Each step leaves a screenshot in build/demo/screenshots, which are then checked (not
#   blank, the album window in them); any failed step or check ends the demo with an error.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/setup.sh
cmake -S . -B build/x64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
      -DALBUM_WITHOUT_LIBJPEG="${ALBUM_WITHOUT_LIBJPEG:-OFF}"
cmake --build build/x64 -j "$(nproc)"
cmake --install build/x64 --prefix build/dist/x64 >/dev/null
bash scripts/build-host.sh x64

# The sample album folder is samples/ itself: its albums name their images as images\NAME.
albums=$here/samples shots=$here/build/demo/screenshots
rm -rf "$shots"
bash scripts/make-sample-albums.sh build/dist/x64 "$albums"
echo
echo "== abmtool list $albums/Samples.abm"
bash scripts/abmtool list "$albums/Samples.abm"

export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix} WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# abmtool's Wine session must be over: windows made later in the same session would have the
# display that session started with (none, on a machine without one).
wineserver -w
host=$here/build/dist/x64/bin/albumhost.exe
# The album window opens on the album opened last ("Context" / "LastOpen" in album.ini): the
# sample album, whatever an earlier run left there.
python3 - "$WINEPREFIX/drive_c/windows/album.ini" <<'PY'
import os, re, sys
path = sys.argv[1]
text = open(path, newline="").read() if os.path.exists(path) else ""
lines = [l for l in text.replace("\r\n", "\n").split("\n") if not re.match(r"(?i)lastopen=", l)]
for i, l in enumerate(lines):
    if l.strip().lower() == "[context]":
        lines.insert(i + 1, "LastOpen=Samples")
        break
else:
    lines[0:0] = ["[Context]", "LastOpen=Samples"]
open(path, "w", newline="").write("\r\n".join(l for l in lines if l) + "\r\n")
PY
if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != "--tour" ]; then
  echo
  echo "== Lumicraft 2000 on $albums (close its window to end the demo)"
  wine "$host" --albums "$albums" --open
  exit 0
fi

echo
echo "== the scripted tour on a virtual display; screenshots go to $shots"
if ! xvfb-run -a -s "-screen 0 1280x1024x24" wine "$host" --albums "$albums" --open \
       --tour "$shots" --tour-images "$here/samples/images"; then
  echo "demo FAILED: the tour did not come to its end (the screen at that moment: $shots/failed.bmp)" >&2
  exit 1
fi
if ! bash scripts/check-screenshots.sh "$shots" 7; then
  echo "demo FAILED: a screenshot does not show what it should" >&2
  exit 1
fi
echo
echo "demo passed: screenshots in $shots"
