// The free functions through which the editor drives the library. Every function that takes a
// window accepts only a window of this process whose class is the expected one and which still
// carries its object; any other handle gives the failure value and touches nothing.
#pragma once

#include "AlbumMan.h"
#include "HostCallbacks.h"

// Album manager windows.

// A manager window for the albums of folder under parent, making thumbnails of width x height.
// With ask, the user first chooses the album to open ("Open New Album"); null when cancelled or
// when the window cannot be made.
ALBUM_API HWND OpenAlbumManagerEx(HWND parent, char* folder, int width, int height, int ask);
// A second manager window on the same folder; returns window itself when one was opened, else null.
ALBUM_API HWND CloneNewAlbumManager(HWND window);
// Adds a thumbnail of image (which stays the caller's) with a description (may be null) for the
// image file path. Non-zero when a thumbnail was added.
ALBUM_API int InsertFromDib(HWND window, HGLOBAL image, char* description, char* path);
// The thumbnail size for images added from now on: 1 set, 0 refused.
ALBUM_API int SetAlbumOption(HWND window, int width, int height);
// The calling thread's active manager window (the last registered while none was activated).
ALBUM_API HWND GetActiveAlbum();
// The calling thread's manager windows: a movable block holding the count (32 bits) and each
// window as a 32-bit value (handles are 32-bit significant; read them back with LongToHandle).
// Null when the thread has no entry. The caller frees the block.
ALBUM_API HGLOBAL GetAllAlbum();
// Full source paths of the active manager's album (every thumbnail, or the selected ones) as a
// fixed block of 260-character slots the caller frees with GlobalFree. 0 and no block when there
// is none, the album is empty (or nothing is selected) or memory is short.
ALBUM_API int GetAcitveAlbumThumbnialList(int& count, char (*&paths)[MAX_PATH]);
ALBUM_API int GetAcitveAlbumSelectedThumbnialList(int& count, char (*&paths)[MAX_PATH]);
// 1 when the calling thread has fewer than limit manager windows.
ALBUM_API int CanOpenMoreAlbum(int limit);
// Gives the keyboard focus to the album control of a manager dialog; 1.
ALBUM_API int SetFocusToAbm(HWND dialog);

// Host callbacks, each replacing the one installed before.
ALBUM_API void SetDockFunction(DockCreateProc create, DockQueryProc query, DockDestroyProc destroy);
ALBUM_API void SetAcquireFunction(AcquireProc acquire);
ALBUM_API void SetAlbumHelpFunction(AlbumHelpProc help);

// The album choice dialog: lists the albums of folder (and "New Album" with offerNew). 1 when one
// was chosen: its name goes to result (260 bytes) or, without result, becomes the album opened
// next. 0 when cancelled. A null or empty caption keeps the previous one.
ALBUM_API int SelectAlbumDlg(HWND owner, char* folder, char* result, int offerNew, char* caption);

// Adds the images whose count full paths lie one after another in *files (each ended by a NUL) to
// an album the user chooses in folder, at thumbnails of size.x x size.y for an album on disk.
// results[i] is 1 when file i is in the album afterwards. 0: cancelled, or every file added as a
// new thumbnail; 1: some file failed or was already held; -1: the new album's name was cancelled,
// or the album could not be read or saved (its file is then unchanged).
ALBUM_API int AddToAlbum(HWND owner, char* folder, char** files, int count, int*& results, POINT size);

// The Find dialog over the albums of folder, modal to host, making thumbnails of width x height for
// images found on disk. Returns the dialog's end value (0 after every close); 0 when host is not
// a window or the dialog cannot be made.
ALBUM_API int OpenSearchDlg(HWND host, char* folder, int width, int height);

// Resource album controls ("BrushAlbumCtrl", "StampAlbumCtrl", "ShapeAlbumCtrl", "TextureAlbumCtrl").
ALBUM_API int AddItemToAbmCtrl(HWND control);
ALBUM_API int DeleteItemFromAbmCtrl(HWND control);
ALBUM_API int SetCurrentBrushSelection(HWND control, int number);
ALBUM_API int GetCurrentBrushSelection(HWND control);
ALBUM_API int GetBrushCount(HWND control);
ALBUM_API int GetCurrentBrushFullPath(HWND control, char* path);
