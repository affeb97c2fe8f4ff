#!/usr/bin/env bash
# Checks the host against the DLL it loads: album.dll must export every name the host looks up
# (the table in AlbumLibrary.h), and the host must import nothing from album.dll, since it loads
# it with LoadLibrary as the editor does.
# Usage: check-host.sh ALBUMHOST.EXE ALBUM.DLL ALBUMLIBRARY.H OBJDUMP
set -euo pipefail
host=$1 dll=$2 table=$3 objdump=$4
exports=$("$objdump" -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && NF==0{on=0} on{print $NF}')
names=$(grep -o '"_Z[^"]*"' "$table" | tr -d '"')
[ -n "$names" ] || { echo "no exported names found in $table" >&2; exit 1; }
missing=()
for n in $names; do
  grep -qx -- "$n" <<<"$exports" || missing+=("$n")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "$(basename "$dll") does not export: ${missing[*]}" >&2
  exit 1
fi
imports=$("$objdump" -p "$host")
if grep -qi 'DLL Name: album.dll' <<<"$imports"; then
  echo "$(basename "$host") imports from album.dll; it must load it with LoadLibrary" >&2
  exit 1
fi
echo "$(basename "$host"): album.dll exports the $(wc -w <<<"$names") names it looks up; nothing imported from it"
