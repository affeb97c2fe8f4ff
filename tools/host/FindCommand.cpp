// File > Find. WAITING FOR THE FIND DIALOG: album.dll does not export it yet. Once it does, this
// is the one place to connect it (look it up in AlbumLibrary like the other entry points); until
// then the menu item is grayed and the command only beeps and says so.
#include "Host.h"

bool FindDialogAvailable() { return false; }

void OpenFindDialog(HWND)
{
    MessageBeep(0);
    SetStatus("Find is not available in this version of the album library.");
}
