#!/usr/bin/env bash
# The libjpeg-turbo fetch fails loudly, so that CI cannot go green with the slow platform decoder:
# a sum that does not match, an empty list of sums or a list without the upstream tarball fail
# the check, and a cache that fails it with no way to fetch again fails the setup; only
# ALBUM_WITHOUT_LIBJPEG=1 builds without the library (and fetches nothing).
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
expect() { # expect STATUS WHAT COMMAND...
  local want=$1 what=$2 got
  shift 2
  "$@" >"$tmp/out" 2>&1
  got=$?
  if { [ "$want" = 0 ] && [ $got != 0 ]; } || { [ "$want" != 0 ] && [ $got = 0 ]; }; then
    echo "FAILED: $what: exit status $got"; sed 's/^/    /' "$tmp/out"; failures=$((failures + 1))
  fi
}

mkdir -p "$tmp/pkg"
printf 'upstream' >"$tmp/pkg/x_1.orig.tar.gz"
printf 'debian' >"$tmp/pkg/x_1-1.debian.tar.xz"
sum() { sha256sum "$tmp/pkg/$1" | cut -d' ' -f1; }
dsc() { printf 'Format: 3.0 (quilt)\nSource: x\nVersion: 1-1\nChecksums-Sha256:\n%bFiles:\n' "$1" >"$tmp/pkg/x_1-1.dsc"; }
verify=(bash "$here/scripts/verify-sha256-list.sh" "$tmp/pkg/x_1-1.dsc" "$tmp/pkg")
good=" $(sum x_1.orig.tar.gz) 8 x_1.orig.tar.gz\n $(sum x_1-1.debian.tar.xz) 6 x_1-1.debian.tar.xz\n"
dsc "$good"; expect 0 "sums that match" "${verify[@]}"
dsc "${good/$(sum x_1-1.debian.tar.xz)/$(sum x_1.orig.tar.gz)}"; expect 1 "a sum that does not match" "${verify[@]}"
dsc ""; expect 1 "an empty list" "${verify[@]}"
dsc " $(sum x_1-1.debian.tar.xz) 6 x_1-1.debian.tar.xz\n"; expect 1 "a list without the upstream tarball" "${verify[@]}"

# A cached package that fails its check, and no mirror to fetch it again from: the setup stops.
export ALBUM_THIRD_PARTY=$tmp/third_party ALBUM_DEBIAN_MIRROR=file:///nonexistent
mkdir -p "$ALBUM_THIRD_PARTY/libjpeg-turbo/download"
printf 'Version: 1\nChecksums-Sha256:\n 00 1 libjpeg-turbo_1.orig.tar.gz\n' >"$ALBUM_THIRD_PARTY/libjpeg-turbo/download/libjpeg-turbo_1.dsc"
expect 1 "a cache that fails its check" bash "$here/scripts/libjpeg-turbo.sh"
grep -q "libjpeg-turbo is not available" "$tmp/out" || { echo "FAILED: not loud"; failures=$((failures + 1)); }
rm -rf "$ALBUM_THIRD_PARTY"
ALBUM_WITHOUT_LIBJPEG=1 expect 0 "built without it by choice" bash "$here/scripts/libjpeg-turbo.sh"
[ ! -e "$ALBUM_THIRD_PARTY" ] || { echo "FAILED: fetched although opted out"; failures=$((failures + 1)); }

[ $failures = 0 ] && echo "libjpeg-turbo fetch: every case as expected"
exit $((failures > 0))
