#!/usr/bin/env bash
# Provides libjpeg-turbo for the image-file library: Debian's source package, fetched with apt's
# source download through a private sources list kept under build/ (the machine's apt setup is
# not touched), checked against the package's own SHA-256 sums, cached under build/ so a rebuild
# needs no network, and cross-built as a static library for both targets (SIMD with nasm).
#
# Result: build/third_party/libjpeg-turbo/{x64,x86}/{include,lib/libjpeg.a}, which the build
# picks up. When the library cannot be had, this says so loudly and exits 0: the build then
# decodes JPEG files with the platform's imaging component (WIC), at full size.
# Usage: libjpeg-turbo.sh            (called by scripts/setup.sh)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
root=$here/build/third_party
work=$root/libjpeg-turbo
apt=$root/apt
cache=$work/download
suite=bookworm
mirror=http://deb.debian.org/debian

loud() {
  {
    echo "************************************************************************"
    echo "* libjpeg-turbo is not available: $*"
    echo "* JPEG files will be decoded with WIC at full size (slow thumbnails)."
    echo "************************************************************************"
  } >&2
}

done_for() { [ -f "$work/$1/lib/libjpeg.a" ] && [ -f "$work/$1/include/jpeglib.h" ] && [ -f "$work/$1/.built" ]; }
if done_for x64 && done_for x86; then
  exit 0
fi

for tool in dpkg-source nasm sha256sum cmake ninja; do
  command -v "$tool" >/dev/null || { loud "$tool is missing"; exit 0; }
done

# The checksums the source package states for its tarballs, checked on every use of the cache.
verify() {
  local dsc=$1 ok=1 sum size name
  while read -r sum size name; do
    [ -n "$name" ] || continue
    if [ ! -f "$cache/$name" ] || ! echo "$sum  $cache/$name" | sha256sum -c --status; then
      echo "libjpeg-turbo: $name does not match the SHA-256 sum in $(basename "$dsc")" >&2
      ok=0
    fi
  done < <(sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$dsc")
  [ "$ok" = 1 ] && grep -q '^Checksums-Sha256:' "$dsc"
}

mkdir -p "$cache"
dsc=$(ls "$cache"/libjpeg-turbo_*.dsc 2>/dev/null | head -n 1)
if [ -z "$dsc" ] || ! verify "$dsc"; then
  echo "Fetching Debian's libjpeg-turbo source package ($suite)..."
  rm -f "$cache"/libjpeg-turbo_*
  mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"
  cat > "$apt/sources.list.d/debian-src.sources" <<EOF
Types: deb-src
URIs: $mirror
Suites: $suite
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  opts=(-o "Dir::Etc::SourceParts=$apt/sources.list.d" -o Dir::Etc::SourceList=/dev/null
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o Debug::NoLocking=1)
  [ "$(id -u)" -eq 0 ] && opts+=(-o APT::Sandbox::User=root)
  if ! apt-get "${opts[@]}" update -qq >"$apt/update.log" 2>&1; then
    loud "apt-get update with the private sources list failed (see $apt/update.log)"
    exit 0
  fi
  if ! (cd "$cache" && apt-get "${opts[@]}" source --download-only -qq libjpeg-turbo) >"$apt/source.log" 2>&1; then
    loud "apt-get source libjpeg-turbo failed (see $apt/source.log)"
    exit 0
  fi
  dsc=$(ls "$cache"/libjpeg-turbo_*.dsc 2>/dev/null | head -n 1)
  if [ -z "$dsc" ] || ! verify "$dsc"; then
    loud "the downloaded source package failed its checksum check"
    rm -f "$cache"/libjpeg-turbo_*
    exit 0
  fi
fi
version=$(sed -n 's/^Version: //p' "$dsc")

src=$work/src
if [ ! -f "$src/.version" ] || [ "$(cat "$src/.version")" != "$version" ]; then
  rm -rf "$src"
  # Unpacks the upstream tarball and applies Debian's patches (the sums were checked above).
  if ! dpkg-source --no-check -x "$dsc" "$src" >/dev/null 2>&1; then
    loud "dpkg-source could not unpack $(basename "$dsc")"
    exit 0
  fi
  echo "$version" > "$src/.version"
fi

build_for() {
  local arch=$1 toolchain=$2 out=$work/$1 b=$work/build-$1
  done_for "$arch" && return 0
  echo "Building libjpeg-turbo $version for $arch..."
  rm -rf "$b" "$out"
  # A Unix install prefix: with none the package-config step trips over a "c:/" default.
  cmake -S "$src" -B "$b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DREQUIRE_SIMD=ON \
        -DCMAKE_INSTALL_PREFIX=/opt/libjpeg-turbo >"$work/build-$arch.log" 2>&1 &&
    cmake --build "$b" -j2 --target jpeg-static >>"$work/build-$arch.log" 2>&1 || return 1
  mkdir -p "$out/include" "$out/lib"
  cp "$b/libjpeg.a" "$out/lib/" &&
    cp "$b/jconfig.h" "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$out/include/" || return 1
  echo "$version" > "$out/.built"
}
status=0
build_for x64 mingw-x86_64.cmake || { loud "the x86_64 build failed (see $work/build-x64.log)"; status=1; }
build_for x86 mingw-i686.cmake || { loud "the i686 build failed (see $work/build-x86.log)"; status=1; }
[ $status = 0 ] && echo "libjpeg-turbo $version ready in $work"
exit 0
