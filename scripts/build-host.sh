#!/usr/bin/env bash
# Builds the editor stand-in (tools/host) as its own CMake project against the installed album
# package in build/dist/ARCH, and installs it there beside album.dll. With --tests it also builds
# the end-to-end tests (tests/e2e), a project of their own against the same package.
# Usage: build-host.sh x64|x86 [--tests]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
arch=$1 tests=${2:-}
case $arch in
  x64) toolchain=cmake/mingw-x86_64.cmake ;;
  x86) toolchain=cmake/mingw-i686.cmake ;;
  *) echo "usage: build-host.sh x64|x86 [--tests]" >&2; exit 2 ;;
esac
prefix=$here/build/dist/$arch
[ -f "$prefix/lib/cmake/album/albumConfig.cmake" ] || { echo "no album package in $prefix: install the library first" >&2; exit 1; }
cmake -S tools/host -B build/host-$arch -G Ninja -DCMAKE_TOOLCHAIN_FILE=$here/$toolchain \
      -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/host-$arch -j "$(nproc)"
cmake --install build/host-$arch --prefix "$prefix" >/dev/null
if [ "$tests" = "--tests" ]; then
  cmake -S tests/e2e -B build/e2e-$arch -G Ninja -DCMAKE_TOOLCHAIN_FILE=$here/$toolchain \
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/e2e-$arch -j "$(nproc)"
fi
