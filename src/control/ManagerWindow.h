// The album manager's window: the dialog procedure of template 100, which drives the manager,
// and what others ask of a manager window.
#pragma once

#include <windows.h>
#include "album/AlbumMan.h"

INT_PTR CALLBACK AlbumManDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// The manager of a manager window of this process, or null for any other window.
CAlbumMan* ManagerOfWindow(HWND window);

// The close check: -1 when the window may close, 1 when it must stay.
int CloseCheck(CAlbumMan* m, HWND dlg);
// The size the manager window prefers for a dock mode (width low 16 bits, height high 16).
DWORD PreferredDockSize(int dockMode);
// The information line for a thumbnail's record (string 8); false when its date cannot be shown.
bool ThumbnailInfoText(const tagALBUMINFOHEADER& record, char* out, size_t size);
