#!/usr/bin/env bash
# Fails when album.dll does not export a name the editor links against: every exported free
# function (matched by its name inside the encoded C++ name) and the virtual tables and members
# of the exported classes. Usage: check-exports.sh ALBUM.DLL OBJDUMP
set -euo pipefail
dll=$1 objdump=$2
exports=$("$objdump" -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/{on=1; next} on && NF==0{on=0} on{print $NF}')
missing=()
need() { grep -q -- "$1" <<<"$exports" || missing+=("$2"); }
for f in OpenAlbumManagerEx CloneNewAlbumManager InsertFromDib SetAlbumOption GetActiveAlbum GetAllAlbum \
         GetAcitveAlbumThumbnialList GetAcitveAlbumSelectedThumbnialList CanOpenMoreAlbum SetDockFunction \
         SetAcquireFunction SetAlbumHelpFunction AddItemToAbmCtrl DeleteItemFromAbmCtrl SetFocusToAbm \
         SetCurrentBrushSelection GetCurrentBrushSelection GetBrushCount GetCurrentBrushFullPath \
         ChangeRelativePathDepth AddToAlbum GetDropData RegisterMiniAlbum GetAlbumCtrlACI CThumbviewRegister \
         CThumbListViewRegister CBrushAlbumCtrlRegister SelectAlbumDlg OpenSearchDlg ${ALBUM_EXTRA_EXPORTS:-}; do
  need "^_Z${#f}${f}" "$f"
done
# Virtual tables of the classes the editor derives from or calls through.
for c in CAlbum CAlbumCtrl CThumbListView2 CThumbView2; do
  need "^_ZTV${#c}${c}\$" "virtual table of $c"
done
# A member of every exported class, with its misspelt names kept.
need "^_ZN9CAlbumMan" "CAlbumMan members"
need "^_ZN10CAlbumDoc2" "CAlbumDoc2 members"
need "^_ZN11CThumbnail28SetFouse" "CThumbnail2::SetFouse"
need "^_ZN12CThumbTable2" "CThumbTable2 members"
need "^_ZN15CBrushAlbumCtrl" "CBrushAlbumCtrl members"
need "^_ZN6CAlbum11GetDragDate" "CAlbum::GetDragDate"
if [ ${#missing[@]} -gt 0 ]; then
  echo "album.dll does not export: ${missing[*]}" >&2
  exit 1
fi
echo "album.dll exports every name the editor links against"
