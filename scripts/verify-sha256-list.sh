#!/usr/bin/env bash
# Checks the files of a Debian source package against the SHA-256 sums its .dsc states.
# Usage: verify-sha256-list.sh PACKAGE.dsc FOLDER
# Exit 0 only when the list names the upstream tarball and every file it names is in FOLDER with
# its sum; otherwise each problem is printed and the exit status is 1 (an empty or missing list
# passes nothing).
set -uo pipefail
dsc=$1 folder=$2
ok=1 files=0 upstream=0
while read -r sum size name; do
  [ -n "$name" ] || continue
  files=$((files + 1))
  case $name in *.orig.tar.*) upstream=1 ;; esac
  if [ ! -f "$folder/$name" ] || ! echo "$sum  $folder/$name" | sha256sum -c --status; then
    echo "$name does not match the SHA-256 sum in $(basename "$dsc")" >&2
    ok=0
  fi
done < <(sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$dsc" 2>/dev/null)
if [ "$files" = 0 ]; then
  echo "$(basename "$dsc") lists no SHA-256 sums" >&2
  exit 1
fi
if [ "$upstream" = 0 ]; then
  echo "$(basename "$dsc") lists no upstream tarball among its SHA-256 sums" >&2
  exit 1
fi
[ "$ok" = 1 ]
