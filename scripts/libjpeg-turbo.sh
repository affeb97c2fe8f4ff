#!/usr/bin/env bash
# Provides libjpeg-turbo for the image-file library: Debian's source package, fetched with apt's
# source download through a private sources list kept under build/ (the machine's apt setup is
# not touched), checked against the package's own SHA-256 sums, cached under build/ so a rebuild
# needs no network, and cross-built as a static library for both targets (SIMD with nasm).
#
# Result: build/third_party/libjpeg-turbo/{x64,x86}/{include,lib/libjpeg.a}, which the build
# picks up. When the library cannot be had (no network, a sum that does not match, a package
# whose list of sums is empty, a failed build) this fails loudly: the build without it decodes
# JPEG files with the platform's imaging component (WIC), at full size and far slower, and is
# made only by choice, with ALBUM_WITHOUT_LIBJPEG=1 (then nothing is fetched).
# Usage: libjpeg-turbo.sh            (called by scripts/setup.sh)
# ALBUM_THIRD_PARTY (the cache folder) and ALBUM_DEBIAN_MIRROR may point elsewhere (tests do).
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
root=${ALBUM_THIRD_PARTY:-$here/build/third_party}
work=$root/libjpeg-turbo
apt=$root/apt
cache=$work/download
suite=bookworm
mirror=${ALBUM_DEBIAN_MIRROR:-http://deb.debian.org/debian}

case ${ALBUM_WITHOUT_LIBJPEG:-0} in
  0|OFF|off|"") ;;
  *) echo "libjpeg-turbo: not used (ALBUM_WITHOUT_LIBJPEG=$ALBUM_WITHOUT_LIBJPEG): JPEG files are decoded with WIC at full size"
     exit 0 ;;
esac

fail() {
  {
    echo "************************************************************************"
    echo "* libjpeg-turbo is not available: $*"
    echo "* The setup stops here. To build without it on purpose (JPEG files then"
    echo "* decoded with WIC at full size, slow thumbnails): ALBUM_WITHOUT_LIBJPEG=1"
    echo "************************************************************************"
  } >&2
  exit 1
}

done_for() { [ -f "$work/$1/lib/libjpeg.a" ] && [ -f "$work/$1/include/jpeglib.h" ] && [ -f "$work/$1/.built" ]; }
if done_for x64 && done_for x86; then
  exit 0
fi

for tool in dpkg-source nasm sha256sum cmake ninja; do
  command -v "$tool" >/dev/null || fail "$tool is missing"
done

# The checksums the source package states for its tarballs, checked on every use of the cache.
verify() { bash "$here/scripts/verify-sha256-list.sh" "$1" "$cache"; }

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
  apt-get "${opts[@]}" update -qq >"$apt/update.log" 2>&1 ||
    fail "apt-get update with the private sources list failed (see $apt/update.log)"
  (cd "$cache" && apt-get "${opts[@]}" source --download-only -qq libjpeg-turbo) >"$apt/source.log" 2>&1 ||
    fail "apt-get source libjpeg-turbo failed (see $apt/source.log)"
  dsc=$(ls "$cache"/libjpeg-turbo_*.dsc 2>/dev/null | head -n 1)
  if [ -z "$dsc" ] || ! verify "$dsc"; then
    rm -f "$cache"/libjpeg-turbo_*
    fail "the downloaded source package failed its SHA-256 check (its files were deleted)"
  fi
fi
version=$(sed -n 's/^Version: //p' "$dsc")

src=$work/src
if [ ! -f "$src/.version" ] || [ "$(cat "$src/.version")" != "$version" ]; then
  rm -rf "$src"
  # Unpacks the upstream tarball and applies Debian's patches (the sums were checked above).
  dpkg-source --no-check -x "$dsc" "$src" >/dev/null 2>&1 || fail "dpkg-source could not unpack $(basename "$dsc")"
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
build_for x64 mingw-x86_64.cmake || fail "the x86_64 build failed (see $work/build-x64.log)"
build_for x86 mingw-i686.cmake || fail "the i686 build failed (see $work/build-x86.log)"
echo "libjpeg-turbo $version ready in $work"
