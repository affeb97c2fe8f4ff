// The library's own access to the mini-album table behind RegisterMiniAlbum / GetAlbumCtrlACI.
#pragma once

#include "album/AlbumCtrl.h"

// Writes a snapping control's grid back into its entry.
void StoreMiniAlbumGrid(int entry, int rows, int cols);
// The class name registered in an entry ("" when free) into out (ALBUM_MINI_NAME_SIZE bytes).
void MiniAlbumName(int entry, char* out);
// Empties the table (tests start from the state at load).
void ResetMiniAlbumsForTest();
