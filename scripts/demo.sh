#!/usr/bin/env bash
# Sets up the machine, builds and installs the component (only what the demo runs), builds the
# editor stand-in against the installed package, makes the sample albums, and starts Lumicraft
# 2000 on the sample album folder (samples/) with an album window open. One line per stage; what
# the stages print goes to build/demo/demo.log, whose end is shown when a stage fails.
#   On a desktop (DISPLAY set) the program stays open until you close it.
#   Without a display (or with --tour) it runs on a virtual display and takes a scripted tour:
#   an album window is moved and enlarged, a new album gets the sample folder, two thumbnails are
#   selected, the album is sorted, its images are searched with Find, an image is opened, the
#   window is docked and floated, a brush is chosen. Each step leaves a screenshot in
#   build/demo/screenshots, which are then checked (not blank, the album window in them); any
#   failed step or check ends the demo with an error. The tour works on a copy of the sample
#   album folder on the Wine prefix's drive C (C:\Albums), so that its screenshots show the same
#   paths wherever the checkout lies. The README's three pictures are cut from them into
#   build/demo/pictures and compared with those in docs/; --pictures takes the tour and puts the
#   new and changed ones in docs/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
tour=0 pictures=0
if [ "${1:-}" = "--pictures" ]; then pictures=1; fi
if [ "${1:-}" = "--tour" ] || [ "$pictures" = 1 ] || [ -z "${DISPLAY:-}" ]; then tour=1; fi
stages=$((tour ? 7 : 5)) stage=0
mkdir -p build/demo
log=$here/build/demo/demo.log
: >"$log"
echo "Lumicraft 2000 demo (the stages' output: $log)"

stage() {
  stage=$((stage + 1))
  printf '[%d/%d] %s\n' "$stage" "$stages" "$1"
  printf '\n== [%d/%d] %s\n' "$stage" "$stages" "$1" >>"$log"
}
# Runs a command with its output in the log; on failure shows the log's end and stops.
run() {
  if ! "$@" >>"$log" 2>&1; then
    echo "demo FAILED: $*" >&2
    echo "---- the end of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
}

stage "Setting up the machine (packages, Wine prefix, libjpeg-turbo)"
run bash scripts/setup.sh

stage "Building album.dll, its libraries and abmtool, and installing them in build/dist/x64"
run cmake -S . -B build/x64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
      -DALBUM_WITHOUT_LIBJPEG="${ALBUM_WITHOUT_LIBJPEG:-OFF}"
# Only what the demo runs and the install step takes; the tests and benchmarks are left to the
# test command.
run cmake --build build/x64 -j "$(nproc)" --target album abmtool albumviews standins_demo
run cmake --install build/x64 --prefix build/dist/x64

stage "Building the editor stand-in (albumhost) against the installed package"
run bash scripts/build-host.sh x64

# The sample album folder is samples/ itself (its albums name their images as images\NAME); the
# tour's is a copy of it at C:\Albums.
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix} WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
albums=$here/samples shots=$here/build/demo/screenshots
if [ "$tour" = 1 ]; then albums=$WINEPREFIX/drive_c/Albums; fi
stage "Making the sample album ($albums/Samples.abm) and the brush and texture albums"
rm -rf "$shots"
run bash scripts/make-sample-albums.sh build/dist/x64 "$albums"
run bash scripts/abmtool list "$albums/Samples.abm"
# abmtool's Wine session must be over: windows made later in the same session would have the
# display that session started with (none, on a machine without one).
run wineserver -w
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
if [ "$tour" = 0 ]; then
  stage "Lumicraft 2000 on $albums (close its window to end the demo)"
  wine "$host" --albums "$albums" --open
  exit 0
fi

stage "The scripted tour on a virtual display (its steps are in $log)"
if ! xvfb-run -a -s "-screen 0 1280x1024x24" wine "$host" --albums 'C:\Albums' --open \
       --tour "$shots" --tour-images 'C:\Albums\images' >>"$log" 2>&1; then
  grep -h '^tour: did not come about' "$log" >&2 || true
  echo "demo FAILED: the tour did not come to its end (the screen at that moment: $shots/failed.bmp; steps in $log)" >&2
  exit 1
fi
stage "Checking the screenshots in $shots"
if ! bash scripts/check-screenshots.sh "$shots" 7 >>"$log" 2>&1; then
  grep -h '^FAIL' "$log" >&2 || true
  echo "demo FAILED: a screenshot does not show what it should (see $log)" >&2
  exit 1
fi
stage "The README's pictures (build/demo/pictures$([ "$pictures" = 1 ] && echo ', new and changed ones into docs/'))"
if ! bash scripts/readme-pictures.sh "$shots" build/demo/pictures $([ "$pictures" = 1 ] && echo --update) 2>&1 |
     tee -a "$log"; then
  echo "demo FAILED: the README's pictures could not be made (see $log)" >&2
  exit 1
fi
echo "demo passed: screenshots in $shots"
