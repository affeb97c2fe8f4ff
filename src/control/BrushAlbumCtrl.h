// The library's own access to the resource album controls: the object behind a window, checked,
// and the module-wide registration state.
#pragma once

#include "album/BrushAlbumCtrl.h"

// The control object of a live window of one of the four resource album classes ("BrushAlbumCtrl",
// "StampAlbumCtrl", "ShapeAlbumCtrl", "TextureAlbumCtrl", any letter case) registered by
// CBrushAlbumCtrlRegister in this process; null for a null, destroyed or foreign window, a window
// of any other class, and a control whose object is gone (an owned object once its WM_DESTROY has
// been handled, a creator's object once deleted).
CBrushAlbumCtrl* BrushAlbumCtrlOf(HWND hwnd);

// The cell size stored by the last successful CBrushAlbumCtrlRegister (0 x 0 before).
SIZE BrushAlbumCellSize();

// Unregisters the four classes and frees their background brush (the library's unload).
void UnregisterBrushAlbumCtrlClasses(HINSTANCE instance);
