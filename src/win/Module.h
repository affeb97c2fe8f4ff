// The library's own module instance: dialogs, menus, strings, bitmaps and cursors are loaded from
// it and window classes are registered with it.
#pragma once

#include <windows.h>

// The instance stored at start-up; before that (in test programs that link the library's code
// directly) the module the code was linked into.
HINSTANCE AlbumInstance();
void SetAlbumInstance(HINSTANCE instance);
