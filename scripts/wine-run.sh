#!/bin/sh
# Runs a Windows program of the build under Wine with the project's prefix (CTest's emulator).
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
