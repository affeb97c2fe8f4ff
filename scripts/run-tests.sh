#!/usr/bin/env bash
# Runs CTest for a build folder inside an X display, with one wineserver kept alive for the run.
# Usage: run-tests.sh BUILD_DIR [ctest arguments...]
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$1; shift
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix} WINEDEBUG=${WINEDEBUG:--all}

if [ -z "${ALBUM_IN_XVFB:-}" ]; then
  ALBUM_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$@"
fi
bash "$here/scripts/print-queue.sh"   # the printing test prints on a real queue
wineserver -p
wine cmd /c exit >/dev/null 2>&1   # warm the prefix once
ctest --test-dir "$build" --output-on-failure "$@"
rc=$?
wineserver -k 2>/dev/null || true
exit $rc
