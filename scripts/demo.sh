#!/usr/bin/env bash
# Sets up the machine, builds and installs the component, then builds an album from the sample
# images the project ships and lists it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/setup.sh
cmake -S . -B build/x64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build/x64 -j "$(nproc)"
cmake --install build/x64 --prefix build/dist/x64 >/dev/null

echo
echo "== abmtool build samples/images samples/samples.abm --size 96"
bash scripts/abmtool build samples/images samples/samples.abm --size 96
echo
echo "== abmtool list samples/samples.abm"
bash scripts/abmtool list samples/samples.abm
echo
echo "== abmtool verify samples/samples.abm"
bash scripts/abmtool verify samples/samples.abm
