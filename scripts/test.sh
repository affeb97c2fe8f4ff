#!/usr/bin/env bash
# Sets up the machine, builds everything from scratch (both targets, install step included, the
# editor stand-in against the installed package), runs every test under Wine on a virtual display
# (the end-to-end scenarios last), runs each fuzz target for a short while, and finally takes the
# demo's scripted tour as a new user's first run would: in a Wine prefix made for it alone.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/setup.sh
python3 scripts/check-layers.py  # which folder may include which (README, Architecture)
jobs=$(nproc)

# x86_64: built, installed and tested; the editor stand-in and the end-to-end tests are built
# against the installed package.
cmake -S . -B build/x64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
      -DALBUM_WITHOUT_LIBJPEG="${ALBUM_WITHOUT_LIBJPEG:-OFF}"
cmake --build build/x64 -j "$jobs"
cmake --install build/x64 --prefix build/dist/x64
bash scripts/build-host.sh x64 --tests

# i686: must compile and link (layouts are asserted at compile time); its tests are not run.
cmake -S . -B build/x86 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
      -DALBUM_WITHOUT_LIBJPEG="${ALBUM_WITHOUT_LIBJPEG:-OFF}" \
      -DALBUM_BUILD_BENCH=OFF
cmake --build build/x86 -j "$jobs"
cmake --install build/x86 --prefix build/dist/x86
bash scripts/build-host.sh x86 --tests

bash scripts/run-tests.sh build/x64
# The end-to-end scenarios: the installed program driven through its windows.
bash scripts/run-tests.sh build/e2e-x64

# The byte-parsing code, natively under the fuzzer and sanitizers, for a fixed short time.
bash scripts/fuzz.sh

# The README's demo, toured on a virtual display; a failed step or screenshot fails the run.
demo_prefix=$here/build/demo/wineprefix
rm -rf "$demo_prefix"
WINEPREFIX=$demo_prefix bash scripts/demo.sh --tour
