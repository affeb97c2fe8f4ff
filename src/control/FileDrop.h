// Files dragged from other programs onto album manager windows and album controls.
#pragma once

#include <windows.h>
#include "album/AlbumCtrl.h"

// Registers window (a manager window, or the window of control) as a drop target for files: the
// cell under the cursor is marked, and the image files dropped go in front of its thumbnail (at
// the end of the album elsewhere). Where the thread cannot do OLE drag and drop nothing changes:
// WM_DROPFILES goes on. Undone by DetachFileDrop (imaging/OleDrag.h) at WM_DESTROY.
void AttachAlbumFileDrop(HWND window, CAlbumCtrl* control);
