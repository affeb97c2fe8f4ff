// The album manager's window: the dialog procedure of template 100, the small dialogs it runs,
// and the pieces of the window that the manager's operations share.
#pragma once

#include <windows.h>
#include "album/AlbumMan.h"

INT_PTR CALLBACK AlbumManDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SortDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DeleteOptionsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// Runs "Save New Album" (dialog 109) for folder, owned by owner: name (MAX_PATH bytes) receives
// the accepted name with ".abm". False when the user cancels.
bool AskNewAlbumName(HWND owner, const char* folder, char* name);

// The manager of a manager window of this process, or null for any other window.
CAlbumMan* ManagerOfWindow(HWND window);

// The information line shows string 9 with count.
void SetInfoCount(CAlbumMan& m, int count);
// The description box shows text; the modified flag stays as it was.
void SetDescriptionBox(CAlbumMan& m, const char* text);
// String 9 with the thumbnail count and the album's description.
void ShowAlbumSummary(CAlbumMan& m);
// The description box's text goes to the description target, or to the album when there is
// none. A target that is no longer one of the album's thumbnails is forgotten and the text dropped.
void StoreDescription(CAlbumMan& m, const char* text);
// Whether lParam is one of the album's cells and shows a thumbnail.
bool CellShowsThumbnail(CAlbumMan& m, LPARAM cell);
// Reads and inserts the image files of folder and its subfolders; 0 when there are none.
int AddFolderFiles(CAlbumMan& m, const char* folder);

// Offers to save the modified current album. Saved and Nothing let the caller go on; Failed
// means the user asked to save and the save did not happen, so the album must stay.
enum class SaveAnswer { Nothing, Saved, Failed };
SaveAnswer AskToSave(CAlbumMan& m);
// Reload, telling why it did not happen: NotSaved when the user asked to save the current album
// and that failed, NotOpened when the album at path cannot be read. Either way the current
// album stays shown and current.
enum class ReloadResult { Loaded, NotSaved, NotOpened };
ReloadResult ReloadAlbum(CAlbumMan& m, const char* path);
// The close check: -1 when the window may close, 1 when it must stay.
int CloseCheck(CAlbumMan* m, HWND dlg);

// Docking (MoveSize), before the window takes its size: docking keeps the grid the window has
// while floating; floating again brings it back and sets width and height to the size that holds
// it. False when the grid is left to the window's size (floating without a kept grid).
bool PrepareDockGrid(CAlbumMan& m, int mode, int& width, int& height);
// After it took its size: one column (docked vertically) or one row (horizontally) of whole cells,
// as many as the window holds, or the grid brought back for floating.
void LayOutDockGrid(CAlbumMan& m, int mode);
// The size the manager window prefers for a dock mode (width low 16 bits, height high 16).
DWORD PreferredDockSize(int dockMode);
// The information line for a thumbnail's record (string 8); false when its date cannot be shown.
bool ThumbnailInfoText(const tagALBUMINFOHEADER& record, char* out, size_t size);
