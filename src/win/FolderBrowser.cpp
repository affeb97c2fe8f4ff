#include "win/FolderBrowser.h"

#include <shlobj.h>

namespace win {

bool BrowseForFolder(HWND owner, char* out)
{
    char display[MAX_PATH] = "";
    out[0] = '\0';
    BROWSEINFOA bi = {};
    bi.hwndOwner = owner;
    bi.pszDisplayName = display;
    bi.lpszTitle = " ";
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    // The browser needs COM on this thread; the host may or may not have started it.
    const HRESULT com = CoInitialize(nullptr);
    LPITEMIDLIST chosen = SHBrowseForFolderA(&bi);
    BOOL ok = FALSE;
    if (chosen) {
        ok = SHGetPathFromIDListA(chosen, out);
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return ok && out[0];
}

} // namespace win
