#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine and prepares the Wine
# prefix. Safe to run again: packages already present are not reinstalled, an existing prefix is kept.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix=${WINEPREFIX:-$here/build/wineprefix}

packages=(cmake ninja-build make googletest
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
          wine wine64 xvfb xauth fonts-wine fonts-liberation fonts-wqy-microhei imagemagick x11-apps
          clang libclang-rt-14-dev   # the native fuzz build (scripts/fuzz.sh)
          cups printer-driver-cups-pdf poppler-utils python3
          nasm dpkg-dev)             # libjpeg-turbo from Debian's source package (below)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  echo "Preparing the Wine prefix in $prefix"
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wineboot -i >/dev/null 2>&1 || true
  # Common face names resolve to installed fonts, so captions look like they do on Windows.
  cat > "$prefix/fonts.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Times New Roman"="Liberation Serif"
"Courier New"="Liberation Mono"
"MS Sans Serif"="Liberation Sans"
"MS Shell Dlg"="Liberation Sans"
"MS Shell Dlg 2"="Liberation Sans"
REG
  wine regedit "$prefix/fonts.reg" >/dev/null 2>&1 || true
  wineserver -w || true
fi

# A test program that crashes ends at once: Wine's debugger prints its report but shows no crash
# dialog, which on the virtual display would wait for a click until CTest's timeout.
if [ ! -f "$prefix/.no-crash-dialog" ]; then
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
  wineserver -w || true
  touch "$prefix/.no-crash-dialog"
fi

# No window manager runs on the virtual display: Wine then waits two seconds for one each time a
# managed window is hidden or destroyed. Unmanaged windows draw their own frames and go at once.
if [ ! -f "$prefix/.unmanaged-windows" ]; then
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  wineserver -w || true
  touch "$prefix/.unmanaged-windows"
fi

# Names in Chinese, Japanese or Korean script: the dialog and caption font (the Liberation Sans
# that the faces above are replaced by) falls back to a font that has their characters, as
# Windows' own font linking does; without it they show as boxes. Only that face is linked: the
# other faces keep Wine's own links, and Latin text is drawn as before.
if [ ! -f "$prefix/.cjk-font-link" ]; then
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "Liberation Sans" \
    /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1 || true
  wineserver -w || true
  touch "$prefix/.cjk-font-link"
fi

# libjpeg-turbo for JPEG decoding, cross-built from Debian's source package (cached under build/).
bash "$here/scripts/libjpeg-turbo.sh"
